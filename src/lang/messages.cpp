#include "lang/messages.h"

#include "settings/appstate.h"

#include <QHash>

namespace quendral {

namespace {

struct BuiltIn
{
    QString key;
    QString text;
};

const QList<BuiltIn> &builtIns()
{
    static const QList<BuiltIn> texts = {
        {QStringLiteral("noconnection"),
         QStringLiteral("Nie można wykryć aktywnego połączenia modemowego! Sprawdź czy modem jest połączony z siecią "
                        "i spróbuj ponownie.")},
        {QStringLiteral("nofiles"), QStringLiteral("Nie zadeklarowano plików do monitorowania przez program!")},
        {QStringLiteral("endprogram"), QStringLiteral("Czy na pewno chcesz zakończyć działanie aplikacji?")},
        {QStringLiteral("doublerun"), QStringLiteral("Quendral jest już uruchomiony!")},
        {QStringLiteral("nopathtosound"), QStringLiteral("Nie można odnaleźć ścieżki do pliku dźwiękowego!")},
        {QStringLiteral("toomanyfiles"), QStringLiteral("Liczba pozycji na liście nie może przekraczać 100 plików!")},
        // The drive name goes between the two halves, hence the blank at the end.
        {QStringLiteral("withoutdrive1"), QStringLiteral("Dysk w stacji ")},
        {QStringLiteral("withoutdrive2"), QStringLiteral("nie jest gotowy! Włóż dysk i ponów próbę.")},
        {QStringLiteral("pathtofolder"), QStringLiteral("Proszę podać ścieżkę do wybranego folderu!")},
        {QStringLiteral("pathtofile"), QStringLiteral("Proszę podać nazwę pobieranego pliku!")},
        {QStringLiteral("deletefiles"),
         QStringLiteral("Niektóre ważne pliki programu zostały usunięte. Zreinstaluj aplikację i spróbuj ponownie.")},
        // Later keys: failures that would otherwise pass unreported.
        {QStringLiteral("savefailed"),
         QStringLiteral("Nie można zapisać listy plików! Sprawdź, czy folder programu nie jest tylko do odczytu "
                        "i czy na dysku jest wolne miejsce, a następnie spróbuj ponownie.")},
        // Staying awake while monitoring, and a power-off the system will not allow.
        {QStringLiteral("inhibitreason"), QStringLiteral("Quendral czeka na zakończenie pobierania plików.")},
        {QStringLiteral("cannotpoweroff"),
         QStringLiteral("Ten użytkownik nie może wyłączyć komputera, więc Quendral nie wyłączy go po pobraniu plików. "
                        "Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {QStringLiteral("poweroffchallenge"),
         QStringLiteral("Wyłączenie komputera wymaga tu hasła administratora, więc po pobraniu plików Quendral zapewne "
                        "go nie wyłączy. Monitorowanie zostało rozpoczęte; pozostałe zadania zostaną wykonane.")},
        {QStringLiteral("poweroffrefused"),
         QStringLiteral("Nie udało się wyłączyć komputera. Powód podany przez system:")},
        {QStringLiteral("cannotstore"),
         QStringLiteral("Tej ścieżki nie można zapisać na liście: ma ponad 254 znaki albo kończy się spacją "
                        "lub tabulatorem.")},
    };
    return texts;
}

} // namespace

const QStringList &messageKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const BuiltIn &b : builtIns())
            list.append(b.key);
        return list;
    }();
    return keys;
}

QString builtInMessage(const QString &key)
{
    for (const BuiltIn &b : builtIns()) {
        if (b.key == key)
            return b.text;
    }
    return {};
}

void setBuiltInMessages(AppState &state)
{
    for (const BuiltIn &b : builtIns())
        state.messages.insert(b.key, b.text);
}

} // namespace quendral
