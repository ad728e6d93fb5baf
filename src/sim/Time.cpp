#include "sim/Time.h"

namespace sim {

namespace {
// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}
}  // namespace

SYSTEMTIME AddMilliseconds(const SYSTEMTIME& start, unsigned long long milliseconds)
{
    const long long msPerDay = 86400000LL;
    long long days = DaysFromCivil(start.wYear, start.wMonth, start.wDay);
    long long ms = ((start.wHour * 60LL + start.wMinute) * 60 + start.wSecond) * 1000 + start.wMilliseconds +
                   static_cast<long long>(milliseconds);
    days += ms / msPerDay;
    ms %= msPerDay;
    long long year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    SYSTEMTIME result = {};
    result.wYear = static_cast<WORD>(year);
    result.wMonth = static_cast<WORD>(month);
    result.wDay = static_cast<WORD>(day);
    result.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    result.wHour = static_cast<WORD>(ms / 3600000);
    result.wMinute = static_cast<WORD>(ms / 60000 % 60);
    result.wSecond = static_cast<WORD>(ms / 1000 % 60);
    result.wMilliseconds = static_cast<WORD>(ms % 1000);
    return result;
}

}  // namespace sim
