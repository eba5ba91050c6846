#pragma once
#include <QPointer>
#include <QWidget>
#include <typeindex>
#include <vector>

// Windows are single instances: created on first use (Load), destroyed when unloaded.
// A window's Form_Load, when it has one, runs once the window is registered, so a
// handler that lets events run during the load finds this window instead of making a
// second one. Unloading removes a window at once but deletes it only when control is back
// in the event loop, because it may be unloaded from inside one of its own handlers.
// An entry whose window has been destroyed some other way counts as not loaded: no lookup
// returns it or stops at it, and the next load of that class drops it.
class WindowRegistry
{
public:
    // The window of class T, created (not shown) when it does not exist yet.
    template <class T>
    T &form()
    {
        if (T *existing = find<T>())
            return *existing;
        dropDestroyed();
        T *created = new T();
        created->setAttribute(Qt::WA_DeleteOnClose, false);
        m_windows.push_back({std::type_index(typeid(T)), created});
        if constexpr (requires(T &window) { window.Form_Load(); })
            created->Form_Load();
        return *created;
    }

    // The window of class T if it is loaded, else nullptr.
    template <class T>
    T *find() const
    {
        for (const Entry &entry : m_windows)
            if (entry.window && entry.type == std::type_index(typeid(T)))
                return qobject_cast<T *>(entry.window.data());
        return nullptr;
    }

    // Read by the tests only: their view of what is loaded.
    template <class T>
    bool isLoaded() const { return find<T>() != nullptr; }

    // Unloads (destroys) the window of class T, if loaded.
    template <class T>
    void unload() { unloadWindow(find<T>()); }

    // True while the window is loaded (created and not unloaded since).
    bool holds(const QWidget *window) const;

    void unloadWindow(QWidget *window);
    // Unloads the window without deleting it: it is hidden and counts as unloaded (a load
    // of its class makes a new one); whoever released it deletes it, or unloadAll does.
    void release(QWidget *window);
    // Unloads every window but `except`, the most recently loaded first.
    void unloadAll(QWidget *except = nullptr);
    // Unloads every window and deletes them now (program end, test reset).
    void destroyAll();

private:
    // Takes the window out of the registry and hides it.
    void takeOut(QWidget *window);
    void dropDestroyed();

    struct Entry
    {
        std::type_index type;
        QPointer<QWidget> window;
    };
    std::vector<Entry> m_windows; // in the order the windows were loaded
    std::vector<QPointer<QWidget>> m_released; // unloaded, not yet deleted
};

// The program's single-instance windows: part of the program's shared state
// (link/SharedState.h), kept here because windows are widgets.
WindowRegistry &appWindows();

// Unloads and deletes every window, then resets the shared state (program end, tests).
void resetProgramState();
