#include "lang/messages.h"

#include "settings/appstate.h"

#include <QHash>

namespace quendral {

namespace {

struct BuiltIn
{
    Msg id;
    QString text;
};

const QList<BuiltIn> &builtIns()
{
    static const QList<BuiltIn> texts = {
        {Msg::NoConnection,
         QStringLiteral("Nie można wykryć aktywnego połączenia modemowego! Sprawdź czy modem jest połączony z siecią "
                        "i spróbuj ponownie.")},
        {Msg::NoFiles, QStringLiteral("Nie zadeklarowano plików do monitorowania przez program!")},
        {Msg::EndProgram, QStringLiteral("Czy na pewno chcesz zakończyć działanie aplikacji?")},
        {Msg::DoubleRun, QStringLiteral("Quendral jest już uruchomiony!")},
        {Msg::NoPathToSound, QStringLiteral("Nie można odnaleźć ścieżki do pliku dźwiękowego!")},
        {Msg::TooManyFiles, QStringLiteral("Liczba pozycji na liście nie może przekraczać 100 plików!")},
        // The drive name goes between the two halves, hence the blank at the end.
        {Msg::WithoutDrive1, QStringLiteral("Dysk w stacji ")},
        {Msg::WithoutDrive2, QStringLiteral("nie jest gotowy! Włóż dysk i ponów próbę.")},
        {Msg::PathToFolder, QStringLiteral("Proszę podać ścieżkę do wybranego folderu!")},
        {Msg::PathToFile, QStringLiteral("Proszę podać nazwę pobieranego pliku!")},
        {Msg::DeleteFiles,
         QStringLiteral("Niektóre ważne pliki programu zostały usunięte. Zreinstaluj aplikację i spróbuj ponownie.")},
        // Later keys: failures that would otherwise pass unreported.
        {Msg::SaveFailed,
         QStringLiteral("Nie można zapisać listy plików! Sprawdź, czy folder programu nie jest tylko do odczytu "
                        "i czy na dysku jest wolne miejsce, a następnie spróbuj ponownie.")},
        // Staying awake while monitoring, and a power-off the system will not allow.
        {Msg::InhibitReason, QStringLiteral("Quendral czeka na zakończenie pobierania plików.")},
        {Msg::CannotPowerOff,
         QStringLiteral("Ten użytkownik nie może wyłączyć komputera, więc Quendral nie wyłączy go po pobraniu plików. "
                        "Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::PowerOffChallenge,
         QStringLiteral("Wyłączenie komputera wymaga tu hasła administratora, więc po pobraniu plików Quendral zapewne "
                        "go nie wyłączy. Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::PowerOffRefused, QStringLiteral("Nie udało się wyłączyć komputera. Powód podany przez system:")},
        {Msg::CannotStore,
         QStringLiteral("Tej ścieżki nie można zapisać na liście: ma ponad 254 znaki albo kończy się spacją "
                        "lub tabulatorem.")},
        // What Apply could not do, each by name; the window stays for another try.
        {Msg::OptionsNotSaved,
         QStringLiteral("Nie można zapisać opcji w ustawieniach użytkownika! Sprawdź, czy na dysku jest wolne miejsce "
                        "i czy folder ustawień można zapisywać, a następnie spróbuj ponownie.")},
        {Msg::LanguageNotSaved,
         QStringLiteral("Nie można zapisać wybranego języka w pliku ustawień! Sprawdź, czy na dysku jest wolne "
                        "miejsce i czy plik ustawień można zapisywać, a następnie spróbuj ponownie.")},
        {Msg::AutostartNotChanged,
         QStringLiteral("Nie można włączyć ani wyłączyć uruchamiania Quendral po zalogowaniu! Sprawdź, czy na dysku "
                        "jest wolne miejsce i czy folder autostartu można zapisywać, a następnie spróbuj ponownie.")},
        {Msg::LauncherNotChanged,
         QStringLiteral("Nie można dodać ani usunąć ikony Quendral w menu aplikacji! Sprawdź, czy na dysku jest "
                        "wolne miejsce i czy folder menu można zapisywać, a następnie spróbuj ponownie.")},
        // The folder's path follows the text.
        {Msg::DataFolderUnusable,
         QStringLiteral("Quendral nie może zapisywać ustawień w swoim folderze danych, więc zmiany nie zostaną "
                        "zachowane. Sprawdź, czy ta ścieżka jest folderem z prawem zapisu (a nie plikiem ani "
                        "zerwanym dowiązaniem) i czy na dysku jest miejsce:")},
        // The options window's launcher box, when the package's menu entry is there.
        {Msg::PackageMenuEntry,
         QStringLiteral("Program zainstalowany z pakietu ma już swoją pozycję w menu aplikacji; druga nie zostanie "
                        "dodana.")},
        // The tray's tooltip while monitoring, and the command line's refusal of a
        // check when nothing is monitored.
        {Msg::StatusFiles, QStringLiteral("%1 z %2 plików")},
        {Msg::StatusFile, QStringLiteral("%1 z %2 pliku")},
        {Msg::StatusNextCheck, QStringLiteral("Następne sprawdzenie o %1")},
        {Msg::StatusActions, QStringLiteral("Po pobraniu: %1")},
        {Msg::StatusCountdown, QStringLiteral("Odliczanie: %2 za %1 s")},
        {Msg::ActionSound, QStringLiteral("dźwięk")},
        {Msg::ActionNotice, QStringLiteral("powiadomienie")},
        {Msg::ActionHangUp, QStringLiteral("rozłączenie")},
        {Msg::ActionPowerOff, QStringLiteral("wyłączenie komputera")},
        {Msg::NotMonitoring, QStringLiteral("Quendral nie monitoruje teraz plików.")},
        // Why a completion came without the files (the notice), and what may
        // end monitoring besides them (the tooltip); %1 minutes or a time.
        {Msg::FinishedQuiet,
         QStringLiteral("Połączenie ucichło na %1 min, więc Quendral uznał pobieranie za zakończone i wykonał "
                        "żądane operacje.")},
        {Msg::FinishedDeadline, QStringLiteral("Minęła godzina %1, więc Quendral wykonał żądane operacje.")},
        {Msg::MissingFiles, QStringLiteral("Brakujące pliki:")},
        {Msg::ArmedQuiet, QStringLiteral("cisza przez %1 min poniżej %2 kB/s")},
        {Msg::ArmedDeadline, QStringLiteral("najpóźniej o %1")},
        // Suspend, hibernate and the user's command at completion.
        {Msg::CannotSuspend,
         QStringLiteral("Ten użytkownik nie może uśpić komputera, więc Quendral nie uśpi go po pobraniu plików. "
                        "Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::SuspendChallenge,
         QStringLiteral("Uśpienie komputera wymaga tu hasła administratora, więc po pobraniu plików Quendral zapewne "
                        "go nie uśpi. Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::CannotHibernate,
         QStringLiteral("Ten komputer nie może przejść w stan hibernacji albo ten użytkownik nie może go w nią "
                        "wprowadzić, więc Quendral nie zahibernuje go po pobraniu plików. Monitorowanie zostało "
                        "rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::HibernateChallenge,
         QStringLiteral("Hibernacja komputera wymaga tu hasła administratora, więc po pobraniu plików Quendral zapewne "
                        "go nie zahibernuje. Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {Msg::SuspendRefused, QStringLiteral("Nie udało się uśpić komputera. Powód podany przez system:")},
        {Msg::HibernateRefused, QStringLiteral("Nie udało się zahibernować komputera. Powód podany przez system:")},
        {Msg::SuspendTitle, QStringLiteral("Quendral - Usypianie systemu")},
        {Msg::SuspendText, QStringLiteral("Quendral uśpi komputer za:")},
        {Msg::SuspendNow, QStringLiteral("&Uśpij natychmiast")},
        {Msg::DontSuspend, QStringLiteral("&Nie usypiaj")},
        {Msg::HibernateTitle, QStringLiteral("Quendral - Hibernacja systemu")},
        {Msg::HibernateText, QStringLiteral("Quendral zahibernuje komputer za:")},
        {Msg::HibernateNow, QStringLiteral("&Hibernuj natychmiast")},
        {Msg::DontHibernate, QStringLiteral("&Nie hibernuj")},
        {Msg::CommandFailed, QStringLiteral("Polecenie uruchamiane po pobraniu plików nie powiodło się:")},
        {Msg::CommandExitCode, QStringLiteral("kod wyjścia")},
        {Msg::CommandTimedOut, QStringLiteral("przerwane po tylu sekundach:")},
        // The displays of what the completion does, and a list that cannot be emptied.
        {Msg::ActionSuspend, QStringLiteral("uśpienie komputera")},
        {Msg::ActionHibernate, QStringLiteral("hibernacja komputera")},
        {Msg::ActionCommand, QStringLiteral("polecenie %1")},
        {Msg::MonitoringStopped, QStringLiteral("Monitorowanie zostało zatrzymane.")},
        {Msg::NoticeTitleQuiet, QStringLiteral("Połączenie ucichło")},
        {Msg::NoticeTitleDeadline, QStringLiteral("Minęła wyznaczona godzina")},
        {Msg::StatusArmed, QStringLiteral("Zakończy także: %1")},
        {Msg::ArmedDeadlineHangUp, QStringLiteral("najpóźniej o %1 (tylko rozłączenie)")},
        {Msg::ListNotEmptied,
         QStringLiteral(
             "Nie można opróżnić listy plików, więc monitorowanie zostało zatrzymane, a żądane zadania nie zostaną "
             "wykonane po raz drugi. Sprawdź, czy na dysku jest wolne miejsce i czy plik ustawień można zapisać.")},
        // Why the command line's Add refuses a path, and what Monitor, Stop and
        // Cancel say when there is nothing for them to do.
        {Msg::EntryEmpty, QStringLiteral("Ścieżka jest pusta.")},
        {Msg::EntryRelative, QStringLiteral("Ścieżka nie jest bezwzględna: podaj całą ścieżkę, od katalogu głównego.")},
        {Msg::EntryBlankLed, QStringLiteral("Ścieżka zaczyna się spacją lub tabulatorem, które lista by pominęła.")},
        {Msg::EntryQuoted, QStringLiteral("Ścieżka jest ujęta w cudzysłów, który lista by pominęła.")},
        {Msg::EntryFolder, QStringLiteral("Ta ścieżka wskazuje folder, a lista zawiera pliki.")},
        {Msg::EntryNoFolder, QStringLiteral("Folder tej ścieżki nie istnieje.")},
        {Msg::EntryDuplicate, QStringLiteral("Ta ścieżka jest już na liście.")},
        {Msg::EntryLineBreak,
         QStringLiteral("Ścieżka zawiera koniec wiersza, którego plik ustawień nie może przechować.")},
        {Msg::AlreadyMonitoring, QStringLiteral("Quendral już monitoruje pliki.")},
        {Msg::NothingToDecline, QStringLiteral("nie ma czego odrzucić")},
        {Msg::TooLate, QStringLiteral("za późno: już zażądano")},
        // The interface language's numbers, the options window's fields and
        // dialog, and what the notice tells of the completion.
        {Msg::Locale, QStringLiteral("pl_PL")},
        {Msg::OutOfRange, QStringLiteral("„%1” jest poza zakresem tego pola: podaj wartość od %2 do %3.")},
        {Msg::CommandNotFound,
         QStringLiteral("Nie można znaleźć programu polecenia albo nie jest on wykonywalny (%1). Zachować mimo to "
                        "to polecenie?")},
        {Msg::SoundDialogTitle, QStringLiteral("Wybierz plik dźwiękowy:")},
        {Msg::SoundDialogFilter, QStringLiteral("Pliki dźwiękowe (*.wav)")},
        {Msg::NoticeFilesIn, QStringLiteral("Pliki, które nadeszły:")},
        {Msg::NoticeFinishedAt, QStringLiteral("Zakończono o %1.")},
        {Msg::CommandSucceeded, QStringLiteral("Polecenie zakończyło się ze statusem wyjścia %1: %2")},
        {Msg::NoticeCountdownAhead,
         QStringLiteral("Następnie: %1, zapowiedziane odliczaniem, które możesz skrócić albo przerwać.")},
        {Msg::NoticeCountdownDone, QStringLiteral("Wykonano: %1.")},
        {Msg::NoticeCountdownDeclined, QStringLiteral("Odrzucono: %1.")},
        {Msg::NotRunning, QStringLiteral("Quendral nie jest uruchomiony.")},
        {Msg::NeedsDisplay,
         QStringLiteral("Do uruchomienia programu Quendral potrzebny jest ekran, a żadnego nie udało się otworzyć.")},
        {Msg::UsageSeeHelp, QStringLiteral("zobacz --help")},
        {Msg::UsageUnknownOption, QStringLiteral("nieznana opcja %1")},
        {Msg::UsageOneCommand, QStringLiteral("tylko jedno polecenie naraz")},
        {Msg::UsageAddPath, QStringLiteral("--add wymaga ścieżki")},
        {Msg::UsageJson, QStringLiteral("--json działa tylko z --status")},
        {Msg::UsageStray, QStringLiteral("nieoczekiwany argument %1")},
        {Msg::HelpUsage, QStringLiteral("Użycie: quendral POLECENIE")},
        {Msg::HelpStart, QStringLiteral("Bez polecenia Quendral uruchamia się w obszarze powiadomień.")},
        {Msg::HelpMonitor, QStringLiteral("rozpocznij monitorowanie (uruchamia program, gdy nie działa)")},
        {Msg::HelpStop, QStringLiteral("zatrzymaj monitorowanie")},
        {Msg::HelpCheckNow, QStringLiteral("sprawdź monitorowane pliki od razu")},
        {Msg::HelpCancel, QStringLiteral("przerwij trwające odliczanie i zatrzymaj monitorowanie")},
        {Msg::HelpStatus, QStringLiteral("pokaż stan; z --json jako jeden obiekt JSON")},
        {Msg::HelpAdd, QStringLiteral("dodaj plik do listy monitorowanych (nazwa może zawierać * i ?)")},
        {Msg::HelpLog, QStringLiteral("pokaż ostatnie wiersze dziennika (%1)")},
        {Msg::HelpUninstall,
         QStringLiteral("usuń przycisk przeglądarki i uruchamianie przy logowaniu (dla deinstalatora)")},
        {Msg::HelpHelp, QStringLiteral("pokaż ten tekst")},
        {Msg::HelpVersion, QStringLiteral("pokaż wersję")},
        {Msg::HelpExit,
         QStringLiteral("Kod wyjścia: 0 wykonano, 1 odmowa (powód na standardowym wyjściu błędów), 2 błąd użycia, 3 "
                        "Quendral nie jest uruchomiony, 4 brak ekranu do uruchomienia programu.")},
        {Msg::LogEmpty, QStringLiteral("Dziennik %1 jest jeszcze pusty.")},
        // Waiting for the programs that download.
        {Msg::ArmedPrograms, QStringLiteral("czeka na %1 (uruchomione: %2)")},
        {Msg::NoticeTitlePrograms, QStringLiteral("Programy zakończyły działanie")},
        {Msg::FinishedPrograms, QStringLiteral("Programy, na które Quendral czekał, zakończyły działanie, a żaden plik "
                                               "nie jest już pobierany, więc Quendral wykonał żądane operacje.")},
        {Msg::NoticeProgramEnded, QStringLiteral("%1 (proces %2) zakończył działanie o %3")},
        {Msg::PidMissing, QStringLiteral("Nie działa żaden proces o numerze %1.")},
        {Msg::PidOther,
         QStringLiteral("Proces %1 należy do innego użytkownika, a Quendral czeka tylko na Twoje programy.")},
        {Msg::UsageWaitPid, QStringLiteral("--wait-pid wymaga numeru procesu")},
        {Msg::UsageWaitProgram, QStringLiteral("--wait-program wymaga nazwy programu")},
        {Msg::HelpWaitPid, QStringLiteral("zakończ także, gdy ten proces się zakończy (rozpoczyna monitorowanie)")},
        {Msg::HelpWaitProgram,
         QStringLiteral("zakończ także, gdy zakończą się wszystkie procesy tego programu (rozpoczyna monitorowanie)")},
        {Msg::ProgramsTitle, QStringLiteral("Quendral - uruchomione programy")},
        {Msg::ProgramsPrompt, QStringLiteral("Zaznacz programy, na których zakończenie Quendral ma czekać:")},
        {Msg::ProgramMissing, QStringLiteral("Nie można uruchomić programu %1: %2")},
    };
    return texts;
}

} // namespace

const QStringList &messageKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const BuiltIn &b : builtIns())
            list.append(messageKey(b.id));
        return list;
    }();
    return keys;
}

QString builtInMessage(const QString &key)
{
    for (const BuiltIn &b : builtIns()) {
        if (messageKey(b.id) == key)
            return b.text;
    }
    return {};
}

void setBuiltInMessages(AppState &state)
{
    for (const BuiltIn &b : builtIns())
        state.messages.insert(messageKey(b.id), b.text);
}

} // namespace quendral
