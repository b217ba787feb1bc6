#pragma once
// Local time, FAT date and time words, and the user's short date and time
// texts (what GetLocalTime, GetDateFormatA and GetTimeFormatA give).

#include <cstdint>
#include <ctime>
#include <string>

namespace vox::text {

struct LocalTime {
    int year = 1980;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime localTimeNow();
LocalTime localTimeOf(std::time_t when);
// The moment a local time stands for (what mktime gives).
std::time_t secondsOf(const LocalTime& time);

// FAT date: ((year - 1980) & 0x7F) << 9 | month << 5 | day.
std::uint16_t fatDate(const LocalTime& time);
// FAT time: hour << 11 | minute << 5 | second / 2.
std::uint16_t fatTime(const LocalTime& time);

// The short date and the time as the user's locale writes them (the LC_TIME
// category of the C locale in force, "%x" and "%X").
std::string shortDateText(const LocalTime& time);
std::string timeText(const LocalTime& time);
// The locale's time format with the seconds and their separator left out
// ("13:45" where timeText gives "13:45:10").
std::string timeTextWithoutSeconds(const LocalTime& time);

}  // namespace vox::text
