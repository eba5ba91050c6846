#include "link/platform/Gpib.h"

#include <dlfcn.h>

namespace {

// The library's calls, declared from their published C forms.
using IbdevFn = int (*)(int, int, int, int, int, int);
using IbclrFn = int (*)(int);
using IblnFn = int (*)(int, int, int, short *);
using IbwrtFn = int (*)(int, const void *, long);
using IbrdFn = int (*)(int, void *, long);
using IbonlFn = int (*)(int, int);
using ThreadIntFn = int (*)();
using ThreadLongFn = long (*)();

} // namespace

struct LinuxGpibApi::Impl
{
    explicit Impl(const char *name) : library(name) {}
    QByteArray library;
    bool tried = false;
    void *handle = nullptr;
    IbdevFn ibdev = nullptr;
    IbclrFn ibclr = nullptr;
    IblnFn ibln = nullptr;
    IbwrtFn ibwrt = nullptr;
    IbrdFn ibrd = nullptr;
    IbonlFn ibonl = nullptr;
    ThreadIntFn threadIbsta = nullptr;
    ThreadIntFn threadIberr = nullptr;
    ThreadLongFn threadIbcntl = nullptr;
    GpibThreadGlobals *registered = nullptr;

    template <typename Fn> bool resolve(Fn &fn, const char *name)
    {
        fn = reinterpret_cast<Fn>(dlsym(handle, name));
        return fn != nullptr;
    }

    bool load()
    {
        if (tried)
            return handle != nullptr;
        tried = true;
        handle = dlopen(library.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return false;
        const bool complete = resolve(ibdev, "ibdev") && resolve(ibclr, "ibclr") && resolve(ibln, "ibln")
                              && resolve(ibwrt, "ibwrt") && resolve(ibrd, "ibrd") && resolve(ibonl, "ibonl")
                              && resolve(threadIbsta, "ThreadIbsta") && resolve(threadIberr, "ThreadIberr")
                              && resolve(threadIbcntl, "ThreadIbcntl");
        if (!complete) { // a library that lacks a call is no use: as no board
            dlclose(handle);
            handle = nullptr;
        }
        return handle != nullptr;
    }

    // After a call: the thread's status into the registered values; returns the status word.
    int copyStatus()
    {
        const int status = threadIbsta();
        if (registered) {
            const long count = threadIbcntl();
            registered->status = status;
            // The error code means something only after a failed call; a success leaves 0,
            // not the code of some earlier failure.
            registered->error = (status & Gpib::ERR) ? threadIberr() : 0;
            registered->count = static_cast<qint32>(count);
            registered->longCount = static_cast<qint32>(count);
        }
        return status;
    }

    // What a call reports without a library: an error, no board.
    int noBoard()
    {
        if (registered)
            *registered = {Gpib::ERR, Gpib::ENEB, 0, 0};
        return Gpib::ERR;
    }
};

LinuxGpibApi::LinuxGpibApi(const char *library) : d(std::make_unique<Impl>(library)) {}

LinuxGpibApi::~LinuxGpibApi()
{
    if (d->handle)
        dlclose(d->handle);
}

bool LinuxGpibApi::loaded() { return d->load(); }

int LinuxGpibApi::RegisterGpibGlobalsForThread(GpibThreadGlobals *globals)
{
    d->registered = globals;
    return 0;
}

int LinuxGpibApi::UnregisterGpibGlobalsForThread()
{
    d->registered = nullptr;
    return 0;
}

int LinuxGpibApi::ibdev(int boardIndex, int pad, int sad, int tmo, int eot, int eos)
{
    if (!d->load()) {
        d->noBoard();
        return -1;
    }
    const int ud = d->ibdev(boardIndex, pad, sad, tmo, eot, eos);
    d->copyStatus();
    return ud;
}

int LinuxGpibApi::ibclr(int ud)
{
    if (!d->load())
        return d->noBoard();
    d->ibclr(ud);
    return d->copyStatus();
}

int LinuxGpibApi::ibln(int ud, int pad, int sad, short &listener)
{
    listener = 0;
    if (!d->load())
        return d->noBoard();
    d->ibln(ud, pad, sad, &listener);
    return d->copyStatus();
}

int LinuxGpibApi::ibwrt(int ud, const QByteArray &bytes)
{
    if (!d->load())
        return d->noBoard();
    d->ibwrt(ud, bytes.constData(), static_cast<long>(bytes.size()));
    return d->copyStatus();
}

int LinuxGpibApi::ibrd(int ud, QByteArray &buffer)
{
    if (!d->load())
        return d->noBoard();
    d->ibrd(ud, buffer.data(), static_cast<long>(buffer.size()));
    return d->copyStatus();
}

int LinuxGpibApi::ibonl(int ud, int v)
{
    if (!d->load())
        return d->noBoard();
    d->ibonl(ud, v);
    return d->copyStatus();
}
