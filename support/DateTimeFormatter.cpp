#include "support/DateTimeFormatter.h"

#include <windows.h>

namespace {

constexpr int kPartCapacity = 50;

}  // namespace

DateTimeFormatter::DateTimeFormatter(const std::wstring& datePicture, const std::wstring& timePicture)
    : datePicture_(datePicture), timePicture_(timePicture) {}

void DateTimeFormatter::format(std::wstring& out) const {
    // Date and time each read the clock, one call each; a line written at midnight may pair the
    // old date with the new time.
    wchar_t date[kPartCapacity];
    const int dateUnits =
        ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, nullptr, datePicture_.c_str(), date, kPartCapacity);
    // The 24-hour clock is forced so that a user's "h tt" setting cannot leak into a picture.
    wchar_t time[kPartCapacity];
    const int timeUnits = ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT, nullptr,
                                           timePicture_.c_str(), time, kPartCapacity);
    // The counts include the terminating zero; a part that failed (0) stays empty.
    out.assign(date, dateUnits > 0 ? static_cast<std::size_t>(dateUnits - 1) : 0);
    out.append(time, timeUnits > 0 ? static_cast<std::size_t>(timeUnits - 1) : 0);
}
