#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/ErrorReportText.h"
#include "support/IOException.h"
#include "tests/driver/CaseTable.h"

namespace {

const std::wstring kTitle = L"Tavrel Bank brivane";

TEST(ErrorReportText, MissingJavaRuntimeInEnglishAndGerman) {
    const ErrorReportText report = composeErrorReportText(
        kTitle, L"2", L"Die Java-Laufzeitumgebung mit der Mindestversion 1.8 konnte nicht gefunden werden.",
        L"The Java Runtime Environment version 1.8 or higher could not be found.", IOException::Installation);
    EXPECT_EQ(report.englishText,
              L"The following error occured during the startup of Tavrel Bank brivane: \n\n"
              L"The Java Runtime Environment version 1.8 or higher could not be found. (Launcher version 2)\n\n"
              L"Please verify the Installation.\n\n"
              L"Do you want do send the error message to the Tavrel Bank by e-mail?");
    EXPECT_EQ(report.germanText,
              L"Beim Starten von Tavrel Bank brivane ist folgender Fehler aufgetreten: \n\n"
              L"Die Java-Laufzeitumgebung mit der Mindestversion 1.8 konnte nicht gefunden werden. "
              L"(Launcher Version 2)\n\n"
              L"Bitte prüfen Sie die Installation.\n\n"
              L"Soll diese Fehlermeldung per e-Mail an die Tavrel Bank geschickt werden?");
    EXPECT_EQ(report.caption, L"Tavrel Bank brivane - Error");
    EXPECT_EQ(report.germanSubject, L"Problem mit Tavrel Bank brivane Launcher");
    EXPECT_EQ(report.englishSubject, L"Problem with Tavrel Bank brivane Launcher");
}

TEST(ErrorReportText, HintFollowsTheKind) {
    testdriver::forEachCase<int, std::wstring, std::wstring>({
        {"resource", IOException::Resource,
         L"Bitte stellen Sie sicher, dass der entsprechende Datenträger nicht voll ist und dass keine Anwendung "
         L"die Ressource verwendet.",
         L"Please make sure that the volume is not full and that no application locks the resource."},
        {"installation", IOException::Installation, L"Bitte prüfen Sie die Installation.",
         L"Please verify the Installation."},
        {"in use", IOException::InUse,
         L"Bitte schliessen Sie alle Fenster von Tavrel Bank brivane. Versuchen Sie erneut brivane zu starten. "
         L"Falls der Fehler immer noch auftritt, starten Sie Ihren Computer neu.",
         L"Please close all windows associated with Tavrel Bank brivane and try to start the application again. "
         L"If the error message still appears, please restart your computer."},
        {"three", 3, L"", L""},
        {"negative", -1, L"", L""},
    }, [&](int kind, const std::wstring& germanHint, const std::wstring& englishHint) {
        const ErrorReportText report = composeErrorReportText(kTitle, L"2", L"D", L"E", kind);
        EXPECT_EQ(report.germanText, L"Beim Starten von Tavrel Bank brivane ist folgender Fehler aufgetreten: \n\n"
                                     L"D (Launcher Version 2)\n\n" +
                                         germanHint +
                                         L"\n\nSoll diese Fehlermeldung per e-Mail an die Tavrel Bank geschickt "
                                         L"werden?");
        EXPECT_EQ(report.englishText, L"The following error occured during the startup of Tavrel Bank brivane: "
                                      L"\n\nE (Launcher version 2)\n\n" +
                                          englishHint +
                                          L"\n\nDo you want do send the error message to the Tavrel Bank by "
                                          L"e-mail?");
    });
    // Without a hint the closing question follows the message after four line feeds.
    EXPECT_NE(composeErrorReportText(kTitle, L"2", L"D", L"E", 7).englishText.find(L"2)\n\n\n\nDo you"),
              std::wstring::npos);
}

TEST(ProcessFailureMessage, NamesTheCommandLineTheNumberAndTheSystemText) {
    EXPECT_EQ(processFailureMessage(L"\"C:\\x\\javaw.exe\" a.a", 2, L"File not found.\r\n"),
              L"DE: Der Java-Prozess konnte nicht gestartet werden.\n\n"
              L"EN: The Java-Process coult not be started.\n\n \"C:\\x\\javaw.exe\" a.a\n\nNr.: 2 = "
              L"File not found.\r\n");
    EXPECT_EQ(processFailureMessage(L"x", 0xFFFFFFFEul, L""),
              L"DE: Der Java-Prozess konnte nicht gestartet werden.\n\n"
              L"EN: The Java-Process coult not be started.\n\n x\n\nNr.: -2");
}

}  // namespace
