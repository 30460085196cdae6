#pragma once

#include <string>

// Renders the current local date and time with Windows date and time pictures for the user's
// default locale, the time always on the 24-hour clock. Nothing separates the two parts.
class DateTimeFormatter {
public:
    DateTimeFormatter(const std::wstring& datePicture, const std::wstring& timePicture);
    virtual ~DateTimeFormatter() = default;

    // Replaces the content of out by date + time. Never throws; a part the system cannot render
    // stays empty.
    virtual void format(std::wstring& out) const;

private:
    std::wstring datePicture_;
    std::wstring timePicture_;
};
