#include "log/timestamp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

std::string timestampText(const platform::Clock &clock) {
    using namespace std::chrono;
    const platform::UtcTime &utc = clock.utc;
    sys_days day = year_month_day{year{utc.year}, month{unsigned(utc.month)},
                                  std::chrono::day{unsigned(utc.day)}};
    sys_seconds local =
        day + hours{utc.hour} + minutes{utc.minute + clock.offsetMinutes} + seconds{utc.second};
    sys_days localDay = floor<days>(local);
    year_month_day date{localDay};
    hh_mm_ss time{local - localDay};
    unsigned weekday = std::chrono::weekday{localDay}.c_encoding();
    int offset = std::abs(clock.offsetMinutes);

    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s %02d %02d:%02d:%02d GMT%c%02d%02d %d",
                  &"SunMonTueWedThuFriSat"[3 * weekday],
                  &"JanFebMarAprMayJunJulAugSepOctNovDec"[3 * (unsigned(date.month()) - 1)],
                  unsigned(date.day()), int(time.hours().count()), int(time.minutes().count()),
                  int(time.seconds().count()), clock.offsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60, int(date.year()));
    return text;
}
