#pragma once

// The time-out a GPIB time-out code (ibdev's tmo) stands for, in milliseconds, as the GPIB
// libraries define the codes: 0 none; 1 to 17 run from 10 microseconds to 1000 seconds in
// a 1-3-10 series, and a time-out below a millisecond counts as one. The program only hands
// the code to the library; the stand-in library and the in-memory bus wait by it.
// Plain C++: the stand-in library uses no Qt.
inline long gpibTimeoutMs(int code)
{
    static const long micros[] = {0,       10,       30,       100,       300,       1000,
                                  3000,    10000,    30000,    100000,    300000,    1000000,
                                  3000000, 10000000, 30000000, 100000000, 300000000, 1000000000};
    if (code <= 0 || code >= static_cast<int>(sizeof micros / sizeof micros[0]))
        return 0;
    const long ms = micros[code] / 1000;
    return ms < 1 ? 1 : ms;
}
