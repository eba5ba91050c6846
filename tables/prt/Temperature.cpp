#include "tables/prt/Temperature.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double NoResult = std::numeric_limits<double>::quiet_NaN();

double finiteOrNoResult(double t) { return std::isfinite(t) ? t : NoResult; }

} // namespace

double ITS90_Wr_Low(double W, double a, double b, const std::array<double, 5> &c, int lowSubRange)
{
    if (W <= 0)
        return 0;
    const double lnW = std::log(W);
    if (lowSubRange < 1 || lowSubRange > 3)
        return W - (a * (W - 1) + b * (W - 1) * lnW);
    // The first power of ln W in the c terms, less one, for sub-ranges 1, 2 and 3.
    static constexpr int exponentOffset[] = {2, 0, 1};
    const int n = exponentOffset[lowSubRange - 1];
    double deviation = a * (W - 1) + b * (W - 1) * (W - 1);
    for (int i = 1; i <= 5; ++i) {
        if (c[i - 1] != 0)
            deviation += c[i - 1] * std::pow(lnW, i + n);
    }
    return W - deviation;
}

double ITS90_Wr_High(double W, double aH, double bH, double cH, double dH, double WAl)
{
    // The d term of the silver sub-range belongs above the aluminium point only; below it
    // the thermometer follows a, b and c alone (so R = R0 still gives 0.01 degrees Celsius).
    const double dTerm = W > WAl ? dH * std::pow(W - WAl, 2) : 0;
    return W - (aH * (W - 1) + bH * std::pow(W - 1, 2) + cH * std::pow(W - 1, 3) + dTerm);
}

double ITS90_Inverse_Low(double Wr)
{
    const double x = (std::pow(std::max(Wr, 0.0), 1.0 / 6) - 0.65) / 0.35;
    double s = 0;
    for (int i = 1; i <= 15; ++i)
        s += ITS90_B[i] * std::pow(x, i);
    s += ITS90_B[0];
    return 273.16 * s - 273.15;
}

double ITS90_Inverse_High(double Wr)
{
    const double x = (Wr - 2.64) / 1.64;
    double s = 0;
    for (int i = 1; i <= 9; ++i)
        s += ITS90_D[i] * std::pow(x, i);
    s += ITS90_D[0];
    return s;
}

double ITS90_Temperature(double R, double R0, const ITS90_Coefficients &k)
{
    if (!(R0 > 0) || !std::isfinite(R))
        return NoResult;
    const double W = R / R0;
    if (R < R0)
        return finiteOrNoResult(ITS90_Inverse_Low(ITS90_Wr_Low(W, k.a, k.b, k.c, k.lowSubRange)));
    return finiteOrNoResult(ITS90_Inverse_High(ITS90_Wr_High(W, k.aH, k.bH, k.cH, k.dH, k.WAl)));
}

double IEC751_Temperature(double R, double R0, double A, double B, double C)
{
    if (!(R0 > 0) || !std::isfinite(R))
        return NoResult;
    if (R < R0) {
        // Walk up the Callendar-Van Dusen curve (t advancing by repeated addition of the
        // step) until it first rises above R, then interpolate between the last two steps.
        bool havePrevious = false;
        double Rprev = 0;
        for (double t = -300; t <= 10; t += 0.01) {
            const double t2 = t * t;
            const double Rt = R0 * (1 + A * t + B * t2 - 100 * C * t2 * t + C * t2 * t2);
            if (Rt > R) {
                // A resistance below the curve's first step lies outside the search.
                if (!havePrevious)
                    return NoResult;
                const double tprev = t - 0.01;
                return finiteOrNoResult(tprev + (t - tprev) * (R - Rprev) / (Rt - Rprev));
            }
            Rprev = Rt;
            havePrevious = true;
        }
        return NoResult; // the curve never passed R before 10 degrees Celsius
    }
    if (B == 0) // the relation is linear: R = R0(1 + A t)
        return A != 0 ? finiteOrNoResult((R / R0 - 1) / A) : NoResult;
    const double discriminant = A * A - 4 * B * (1 - R / R0);
    if (discriminant < 0)
        return NoResult;
    return finiteOrNoResult((-A + std::sqrt(discriminant)) / (2 * B));
}
