#include "mapirelay/RelayArguments.h"

#include "support/IOException.h"

namespace {

IOException malformedCommandLine() {
    // The caller of the relay is another program of the installation: a command line it got
    // wrong is a broken installation, not a resource problem of this machine.
    return IOException(
        L"Die Befehlszeile von mapirelay hat nicht die erwartete Form: ein Argument in doppelten "
        L"Anführungszeichen mit vier durch Semikolons getrennten Feldern, "
        L"\"Empfängername;Empfängeradresse;Betreff;Text\".",
        L"The command line of mapirelay does not have the expected form: one argument in double "
        L"quotes holding four fields separated by semicolons, "
        L"\"recipient name;recipient address;subject;body\".",
        IOException::Installation);
}

// Position of the argument's opening quote, or npos.
std::wstring::size_type findOpeningQuote(const std::wstring& commandLine) {
    // A quoted program path cannot contain a quote, so the argument starts at the first
    // quote-blank-quote; an unquoted path may contain blanks, but none directly before a quote.
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const auto found = commandLine.find(L"\" \"");
        return found == std::wstring::npos ? found : found + 2;
    }
    const auto found = commandLine.find(L" \"");
    return found == std::wstring::npos ? found : found + 1;
}

}  // namespace

RelayMessage parseRelayArguments(const std::wstring& commandLine) {
    const auto quote = findOpeningQuote(commandLine);
    if (quote == std::wstring::npos) throw malformedCommandLine();
    const auto s1 = commandLine.find(L';', quote + 1);
    if (s1 == std::wstring::npos) throw malformedCommandLine();
    const auto s2 = commandLine.find(L';', s1 + 1);
    if (s2 == std::wstring::npos) throw malformedCommandLine();
    const auto s3 = commandLine.find(L';', s2 + 1);
    // The body ends before the last character; a third semicolon that is itself the last
    // character leaves no room for the closing quote.
    if (s3 == std::wstring::npos || s3 + 1 >= commandLine.size()) throw malformedCommandLine();

    RelayMessage message;
    message.recipientName = commandLine.substr(quote + 1, s1 - quote - 1);
    message.recipientAddress = commandLine.substr(s1 + 1, s2 - s1 - 1);
    message.subject = commandLine.substr(s2 + 1, s3 - s2 - 1);
    message.body = commandLine.substr(s3 + 1, commandLine.size() - 1 - (s3 + 1));
    return message;
}

std::wstring expandLineBreaks(const std::wstring& text) {
    std::wstring expanded;
    expanded.reserve(text.size());
    std::wstring::size_type from = 0;
    for (auto pair = text.find(L"\\n"); pair != std::wstring::npos; pair = text.find(L"\\n", from)) {
        expanded.append(text, from, pair - from);
        expanded.push_back(L'\n');
        from = pair + 2;
    }
    expanded.append(text, from, std::wstring::npos);
    return expanded;
}
