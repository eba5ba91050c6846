// The text conversions every table stands on: leading numbers, the general format and its
// read-back, patterns, dates and rounding.
#include "link/TextConv.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 variant = input.takeByte();
    const QString text = input.text();

    const double value = TextConv::Val(text);
    // A read number is always finite: an overflowing text gives the largest double.
    FUZZ_CHECK(std::isfinite(value));
    // The general format reads back to the same value, rounded to 15 digits.
    const double back = TextConv::Val(TextConv::General(value));
    FUZZ_CHECK(std::isfinite(back));
    FUZZ_CHECK(back == value || std::fabs(back - value) <= std::fabs(value) * 1e-14);
    if (TextConv::IsNumeric(text))
        FUZZ_CHECK(!text.trimmed().isEmpty());

    if (const auto rounded = TextConv::CLng(value))
        FUZZ_CHECK(std::fabs(double(*rounded) - value) <= 0.5);
    if (const auto rounded = TextConv::CInt(value))
        FUZZ_CHECK(std::fabs(double(*rounded) - value) <= 0.5);
    FUZZ_CHECK(TextConv::Int(value) <= value);

    // The rest of the input as a pattern.
    switch (variant % 3) {
    case 0:
        TextConv::Format(value, text.left(64));
        break;
    case 1: {
        // Dates from the input's bytes, valid and invalid, in every pattern letter.
        const QDateTime when(QDate(1900 + variant, (variant % 14), (variant % 33)), QTime(variant % 25, 0));
        TextConv::FormatDate(when, text.left(64));
        break;
    }
    default:
        TextConv::Format(std::ldexp(double(variant) - 128.0, int(text.size() % 2100) - 1050), QStringLiteral("0.000###"));
        break;
    }
    return 0;
}
