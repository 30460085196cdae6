#include "launcher/commandline/VmOptionsQuotes.h"

#include "support/LogfileWriter.h"

bool leavesQuoteOpen(const std::wstring& options) {
    // The splitter's own count: 1 inside quotes, 0 outside; within a run of double quotes every
    // third one is a literal quote and ends the quoted part.
    int quotes = 0;
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] == L'\\') {
            ++backslashes;
            continue;
        }
        if (options[i] == L'"') {
            // After an odd number of backslashes the quote is a literal one.
            if (backslashes % 2 == 0) ++quotes;
            while (i + 1 < options.size() && options[i + 1] == L'"') {
                ++i;
                if (++quotes == 3) quotes = 0;
            }
            if (quotes == 2) quotes = 0;
        }
        backslashes = 0;
    }
    return quotes != 0;
}

std::wstring withOpenQuoteClosed(const std::wstring& options) {
    if (!leavesQuoteOpen(options)) return options;
    const std::size_t lastOther = options.find_last_not_of(L'\\');
    const std::size_t trailingBackslashes = options.size() - (lastOther == std::wstring::npos ? 0 : lastOther + 1);
    return options + std::wstring(trailingBackslashes, L'\\') + L'"';
}

std::wstring closeOpenQuote(const std::wstring& options, LogfileWriter& log) {
    const std::wstring closed = withOpenQuoteClosed(options);
    if (closed != options) log.log(L"Closing the quote that win.vmoptions leaves open");
    return closed;
}
