#pragma once
#include <array>

// Resistance of a platinum resistance thermometer (PRT) to temperature in degrees Celsius:
// the ITS-90 reference functions with a calibrated thermometer's deviation coefficients,
// and the IEC 60751 (Callendar-Van Dusen) relation of industrial thermometers.
//
// Every function returns a finite number or, where no temperature exists for its inputs,
// a quiet NaN ("no result"); callers test with std::isfinite.

// The deviation coefficients of one thermometer, as the PRT table editor reads them from
// its boxes. A coefficient whose box is hidden is 0, so one formula per side serves every
// ITS-90 sub-range.
struct ITS90_Coefficients
{
    // Below the triple point of water.
    double a = 0;
    double b = 0;
    // c1 .. c5 (c[0] is c1) of sub-ranges 1 to 3, the terms c_i (ln W)^(i + n).
    std::array<double, 5> c{};
    // The low sub-range chosen, 1 to 4: it decides the form of the b term and the powers
    // of ln W in the c terms.
    int lowSubRange = 4;
    // Above the triple point of water.
    double aH = 0;
    double bH = 0;
    double cH = 0;
    double dH = 0;
    // W at the freezing point of aluminium (the d term of sub-range 6).
    double WAl = 0;
};

// The constants B0 .. B15 and D0 .. D9 of the ITS-90 inverse reference functions, with the
// published values (Metrologia 27, 3-10 and 107, 1990).
struct ITS90_ReferenceConstants
{
    std::array<double, 16> B;
    std::array<double, 10> D;
};

constexpr ITS90_ReferenceConstants Init_ITS90_Coefficients()
{
    return {{0.183324722, 0.240975303, 0.209108771, 0.190439972, 0.142648498, 0.077993465, 0.012475611,
             -0.032267127, -0.075291522, -0.056470670, 0.076201285, 0.123893204, -0.029201193, -0.091173542,
             0.001317696, 0.026025526},
            {439.932854, 472.418020, 37.684494, 7.472018, 2.920828, 0.005184, -0.963864, -0.188732, 0.191203,
             0.049025}};
}

// Below the triple point (13.8033 K to 273.16 K) and above it (273.15 K to 1234.93 K).
inline constexpr std::array<double, 16> ITS90_B = Init_ITS90_Coefficients().B;
inline constexpr std::array<double, 10> ITS90_D = Init_ITS90_Coefficients().D;

// Wr below the triple point, W minus the deviation function of the low sub-range; 0 when
// W is 0 or negative. Sub-ranges 1 to 3: a(W - 1) + b(W - 1)^2 + sum c_i (ln W)^(i + n),
// with n = 2, 0 and 1; sub-range 4 (argon): a(W - 1) + b(W - 1) ln W.
double ITS90_Wr_Low(double W, double a, double b, const std::array<double, 5> &c = {}, int lowSubRange = 4);
// Wr above the triple point: W - [aH(W - 1) + bH(W - 1)^2 + cH(W - 1)^3 + dH(W - WAl)^2],
// the d term counting only above the aluminium point (W > WAl), as ITS-90 defines it.
double ITS90_Wr_High(double W, double aH, double bH, double cH, double dH, double WAl);
// The inverse reference function below the triple point. A negative Wr (possible only with
// a large deviation near W = 0) is taken as 0: both lie below absolute zero.
double ITS90_Inverse_Low(double Wr);
// The inverse reference function above the triple point.
double ITS90_Inverse_High(double Wr);

// Temperature of resistance R for a thermometer with resistance R0 at the triple point of
// water: the low side when R < R0, the high side from R = R0 on. No result when R0 is not
// above 0.
double ITS90_Temperature(double R, double R0, const ITS90_Coefficients &coefficients);

// IEC 60751 temperature of resistance R: below R0 a forward search from -300 to 10 degrees
// Celsius in steps of 0.01 with linear interpolation, from R0 on the root at or above 0 of
// R = R0(1 + A t + B t^2). No result when R0 is not above 0, when R lies below the first
// step of the search or is never passed by it, or when the quadratic has no real root.
double IEC751_Temperature(double R, double R0, double A, double B, double C);
