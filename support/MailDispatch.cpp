#include "support/MailDispatch.h"

#include <cwchar>
#include <string>

#include <windows.h>

#include <commdlg.h>
#include <mapi.h>

#include "support/FileOutputStream.h"
#include "support/GrowingBuffer.h"
#include "support/IOException.h"
#include "support/PrintWriter.h"
#include "support/SupportMailbox.h"
#include "support/ToAnsiConverter.h"
#include "support/Utf8StreamWriter.h"

namespace {

// The loaded library and its entry point, overwritten by every loadMapi. The module is never
// freed: it stays loaded until the process ends, so it is deliberately not held by an owner.
HMODULE mapiModule = nullptr;
LPMAPISENDMAIL mapiSendMail = nullptr;

constexpr wchar_t kRecipientName[] = L"Tavrel Bank brivane";
constexpr wchar_t kProposedFileName[] = L"brivaneLog.txt";
constexpr int kFileNameBufferSize = 1000;

IOException libraryNotLoadable() {
    return IOException(L"Die Bibliothek mapi32.dll kann nicht geladen werden",
                       L"The library mapi32.dll can not be loaded",
                       IOException::Resource);
}

// Full path of MAPI32.dll in the system folder; empty when the folder cannot be asked for.
std::wstring systemMapiPath() {
    const std::wstring folder = callWithGrowingBuffer([](wchar_t* buffer, unsigned long capacity) {
        return ::GetSystemDirectoryW(buffer, capacity);
    });
    return folder.empty() ? folder : folder + L"\\MAPI32.dll";
}

std::wstring saveQuestion() {
    return std::wstring(L"Die Daten wurden nicht an die Tavrel Bank geschickt.\n"
                        L"Bitte stellen Sie sicher, dass ihr e-Mail-Programm richtig installiert und "
                        L"konfiguriert ist.\n\nWollen Sie die Daten speichern und per e-Mail an ") +
           kSupportMailbox + L" verschicken?";
}

// Asks for the file to save into; false when the user cancelled or the dialog failed.
bool askForSavePath(std::wstring& path) {
    wchar_t fileName[kFileNameBufferSize] = {};
    wcscpy_s(fileName, kFileNameBufferSize, kProposedFileName);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kFileNameBufferSize - 1;
    // No OFN_OVERWRITEPROMPT: an existing file is replaced without a question.
    dialog.Flags = OFN_SHOWHELP | OFN_ENABLESIZING;
    if (!::GetSaveFileNameW(&dialog)) return false;
    path = fileName;
    return true;
}

// The message as a text file the user can mail by hand: UTF-8, so nothing of the body is lost.
void saveMessage(const std::wstring& path, const wchar_t* subject, const wchar_t* body) {
    FileOutputStream file(path);
    Utf8StreamWriter utf8(file);
    PrintWriter printer(utf8);
    printer.println(std::wstring(L"An: ") + kSupportMailbox);
    printer.print(L"Subject: ");
    printer.println(subject);
    printer.newLine();
    printer.print(body);
    utf8.close();
}

}  // namespace

void loadMapi() {
    // Only the system folder: a MAPI32.dll planted beside the program or in the current folder
    // (a downloads folder, a writable installation) must never be loaded. The full path works on
    // every Windows version, unlike LOAD_LIBRARY_SEARCH_SYSTEM32, which an unpatched Windows 7
    // rejects; the altered search path makes its own imports resolve from the system folder too.
    const std::wstring path = systemMapiPath();
    if (path.empty()) throw libraryNotLoadable();
    mapiModule = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!mapiModule) throw libraryNotLoadable();
    mapiSendMail = reinterpret_cast<LPMAPISENDMAIL>(
        reinterpret_cast<void*>(::GetProcAddress(mapiModule, "MAPISendMail")));
    if (!mapiSendMail) {
        throw IOException(L"Die Funktion MAPISendMail kann kann nicht geladen werden",
                          L"The function MAPISendMail can not be loaded",
                          IOException::Resource);
    }
}

bool sendMail(const wchar_t* recipientName, const wchar_t* recipientAddress,
              const wchar_t* subject, const wchar_t* body) {
    loadMapi();

    ToAnsiConverter name;
    name.convert(recipientName);
    ToAnsiConverter address;
    address.convert(recipientAddress);
    ToAnsiConverter subjectText;
    subjectText.convert(subject);
    ToAnsiConverter bodyText;
    bodyText.convert(body);
    char conversationId[] = "SMTP";

    // Simple MAPI declares its texts as non-const pointers but only reads them.
    MapiRecipDesc recipient = {};
    recipient.ulReserved = 0;
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = const_cast<char*>(name.data());
    recipient.lpszAddress = const_cast<char*>(address.data());
    recipient.ulEIDSize = 0;
    recipient.lpEntryID = nullptr;

    MapiMessage message = {};
    message.ulReserved = 0;
    message.lpszSubject = const_cast<char*>(subjectText.data());
    message.lpszNoteText = const_cast<char*>(bodyText.data());
    message.lpszMessageType = nullptr;
    message.lpszDateReceived = nullptr;
    message.lpszConversationID = conversationId;
    message.flFlags = 0;
    message.lpOriginator = nullptr;
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    message.nFileCount = 0;
    message.lpFiles = nullptr;

    // Returns only when the user has finished with the mail program's compose window.
    const ULONG result = mapiSendMail(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    return result == SUCCESS_SUCCESS;
}

void mailOrSave(const wchar_t* subject, const wchar_t* body) {
    const std::wstring address = std::wstring(L"smtp:") + kSupportMailbox;
    if (sendMail(kRecipientName, address.c_str(), subject, body)) return;

    const std::wstring question = saveQuestion();
    if (::MessageBoxW(nullptr, question.c_str(), L"Fehler - Tavrel Bank brivane Faultpost",
                      MB_ICONERROR | MB_YESNO) != IDYES) {
        return;
    }
    std::wstring path;
    if (!askForSavePath(path)) return;
    saveMessage(path, subject, body);
}

void mailOrWarn(const wchar_t* recipientName, const wchar_t* recipientAddress,
                const wchar_t* subject, const wchar_t* body) {
    if (sendMail(recipientName, recipientAddress, subject, body)) return;
    ::MessageBoxW(nullptr,
                  L"Die Daten wurden nicht verschickt.\n"
                  L"Bitte stellen Sie sicher, dass ihr e-Mail-Programm richtig installiert und "
                  L"konfiguriert ist.",
                  L"Fehler - Tavrel Bank brivane Mapirelay", MB_ICONERROR);
}
