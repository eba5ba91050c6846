#pragma once
#include <QPointer>
#include <QWidget>
#include <map>
#include <typeindex>

// Windows are single instances: created on first use (Load), destroyed when unloaded.
class WindowRegistry
{
public:
    // The window of class T, created (not shown) when it does not exist yet.
    template <class T>
    T &form()
    {
        if (T *existing = find<T>())
            return *existing;
        T *created = new T();
        created->setAttribute(Qt::WA_DeleteOnClose, false);
        m_windows[std::type_index(typeid(T))] = created;
        return *created;
    }

    // The window of class T if it is loaded, else nullptr.
    template <class T>
    T *find() const
    {
        const auto it = m_windows.find(std::type_index(typeid(T)));
        return it == m_windows.end() ? nullptr : qobject_cast<T *>(it->second.data());
    }

    template <class T>
    bool isLoaded() const { return find<T>() != nullptr; }

    // Unloads (destroys) the window of class T, if loaded.
    template <class T>
    void unload() { unloadWindow(find<T>()); }

    void unloadWindow(QWidget *window);
    // Unloads every window but `except`.
    void unloadAll(QWidget *except = nullptr);

private:
    std::map<std::type_index, QPointer<QWidget>> m_windows;
};
