#include "launcher/ErrorReportText.h"

#include "support/IOException.h"

ErrorReportText composeErrorReportText(const std::wstring& title, const std::wstring& launcherVersion,
                                       const std::wstring& germanMessage, const std::wstring& englishMessage,
                                       int kind) {
    ErrorReportText report;
    report.germanText = L"Beim Starten von " + title + L" ist folgender Fehler aufgetreten: \n\n" +
                        germanMessage + L" (Launcher Version " + launcherVersion + L")\n\n";
    report.englishText = L"The following error occured during the startup of " + title + L": \n\n" +
                         englishMessage + L" (Launcher version " + launcherVersion + L")\n\n";
    switch (kind) {
    case IOException::Resource:
        report.germanText += L"Bitte stellen Sie sicher, dass der entsprechende Datenträger nicht voll ist "
                             L"und dass keine Anwendung die Ressource verwendet.";
        report.englishText += L"Please make sure that the volume is not full and that no application locks "
                              L"the resource.";
        break;
    case IOException::Installation:
        report.germanText += L"Bitte prüfen Sie die Installation.";
        report.englishText += L"Please verify the Installation.";
        break;
    case IOException::InUse:
        report.germanText += L"Bitte schliessen Sie alle Fenster von Tavrel Bank brivane. Versuchen Sie erneut "
                             L"brivane zu starten. Falls der Fehler immer noch auftritt, starten Sie Ihren "
                             L"Computer neu.";
        report.englishText += L"Please close all windows associated with Tavrel Bank brivane and try to start "
                              L"the application again. If the error message still appears, please restart "
                              L"your computer.";
        break;
    default:
        break;
    }
    report.germanText += L"\n\nSoll diese Fehlermeldung per e-Mail an die Tavrel Bank geschickt werden?";
    report.englishText += L"\n\nDo you want do send the error message to the Tavrel Bank by e-mail?";
    report.caption = title + L" - Error";
    report.germanSubject = L"Problem mit " + title + L" Launcher";
    report.englishSubject = L"Problem with " + title + L" Launcher";
    return report;
}

std::wstring processFailureMessage(const std::wstring& commandLine, unsigned long errorCode,
                                   const std::wstring& systemText) {
    // "%d": signed, as the log shows it.
    const std::wstring number = std::to_wstring(static_cast<int>(errorCode));
    std::wstring message = L"DE: Der Java-Prozess konnte nicht gestartet werden.\n\n"
                           L"EN: The Java-Process coult not be started.\n\n " +
                           commandLine + L"\n\nNr.: " + number;
    if (!systemText.empty()) message += L" = " + systemText;
    return message;
}
