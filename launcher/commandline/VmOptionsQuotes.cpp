#include "launcher/commandline/VmOptionsQuotes.h"

#include "support/LogfileWriter.h"

namespace {

constexpr std::size_t kNone = std::wstring::npos;

struct QuoteState {
    bool open = false;
    // The quote that opened the part left open, when it was a plain opening quote (not the literal
    // quote that reopens a part); kNone otherwise.
    std::size_t openingQuote = kNone;
};

bool isBlank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

// The runtime's splitter, stepped over the line without building the arguments: its quote count
// (odd inside a quoted part), the length of the backslash run and the character before, all reset
// where an argument starts.
QuoteState runtimeQuoteState(const std::wstring& options) {
    QuoteState state;
    int quotes = 0;
    std::size_t backslashes = 0;
    wchar_t previous = 0;
    bool separator = false;  // a blank outside quotes was seen: the next other character starts anew
    for (std::size_t i = 0; i < options.size(); ++i) {
        const wchar_t character = options[i];
        if (separator && !isBlank(character)) {
            separator = false;
            quotes = 0;
            backslashes = 0;
            previous = 0;
        }
        if (character == L'"') {
            const bool wasOpen = quotes % 2 == 1;
            bool literalReopen = false;
            if (previous == L'\\') {
                if (backslashes % 2 == 0) ++quotes;
            } else if (previous == L'"' && quotes % 2 == 0) {
                ++quotes;
                literalReopen = true;
            } else if (quotes == 0) {
                ++quotes;
            } else {
                --quotes;
            }
            const bool nowOpen = quotes % 2 == 1;
            if (nowOpen && !wasOpen) state.openingQuote = literalReopen ? kNone : i;
            backslashes = 0;
        } else if (character == L'\\') {
            ++backslashes;
        } else {
            if (isBlank(character) && quotes % 2 == 0) separator = true;
            backslashes = 0;
        }
        previous = character;
    }
    state.open = quotes % 2 == 1;
    if (!state.open) state.openingQuote = kNone;
    return state;
}

bool onlyBlanksAfter(const std::wstring& text, std::size_t position) {
    for (std::size_t i = position + 1; i < text.size(); ++i) {
        if (!isBlank(text[i])) return false;
    }
    return true;
}

}  // namespace

bool leavesQuoteOpen(const std::wstring& options) {
    return runtimeQuoteState(options).open;
}

std::wstring withOpenQuoteClosed(const std::wstring& options) {
    const QuoteState state = runtimeQuoteState(options);
    if (!state.open) return options;
    // Closing such a quote gives an argument of blanks or an empty one, which right before the
    // main class the runtime would take for the main class's name.
    if (state.openingQuote != kNone && onlyBlanksAfter(options, state.openingQuote)) {
        return options.substr(0, state.openingQuote);
    }
    const std::size_t lastOther = options.find_last_not_of(L'\\');
    const std::size_t trailingBackslashes = options.size() - (lastOther == std::wstring::npos ? 0 : lastOther + 1);
    return options + std::wstring(trailingBackslashes, L'\\') + L'"';
}

std::wstring closeOpenQuote(const std::wstring& options, LogfileWriter& log) {
    const std::wstring mended = withOpenQuoteClosed(options);
    if (mended.size() < options.size()) log.log(L"Dropping the lone quote that ends win.vmoptions");
    else if (mended != options) log.log(L"Closing the quote that win.vmoptions leaves open");
    return mended;
}
