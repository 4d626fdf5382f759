#include "app/searchtexts.h"

#include "solver/waveform.h"
#include "solver/words.h"

namespace app {

QString modeText(avr::Mode mode) { return QString::fromUtf8(solver::modeName(mode).data()); }

QString registersText(const solver::Setting& s) {
    const QString name = QString::fromUtf8(s.registerName().data(), static_cast<qsizetype>(s.registerName().size()));
    switch (s.role) {
    case solver::RegisterRole::Compare: return QStringLiteral("%1 = %2").arg(name).arg(s.registerValue);
    case solver::RegisterRole::Preload: return QStringLiteral("%1 = %2 (przeładowanie)").arg(name).arg(s.registerValue);
    case solver::RegisterRole::Top: return QStringLiteral("TOP = %1 = %2").arg(name).arg(s.registerValue);
    case solver::RegisterRole::None: break;
    }
    return s.mode() == avr::Mode::Normal ? QStringLiteral("–")
                                         : QStringLiteral("TOP = %1").arg(QString::fromStdString(solver::topText(s)));
}

QString warningText(solver::Warning warning) {
    switch (warning) {
    case solver::Warning::ReloadLatency:
        return QStringLiteral("Przy preskalerze 1 i 8 giną takty, które wypadną między odczytem TCNTn a dodaniem "
                              "do niego wartości początkowej w przerwaniu: od %1 do %2 cykli CPU na okres, zależnie "
                              "od timera, więc rzeczywisty okres jest dłuższy niż podany; lepiej użyć CTC.")
            .arg(solver::reloadGapCycles(8, true))
            .arg(solver::reloadGapCycles(16, false));
    case solver::Warning::AsynchronousReload:
        return QStringLiteral("Timer2 taktowany kwarcem zegarkowym przyjmuje zapis TCNT2 o %1 cykle kwarcu później, "
                              "więc rzeczywisty okres jest dłuższy niż podany; lepiej użyć CTC.")
            .arg(solver::crystalLatchCycles);
    case solver::Warning::NoZeroDuty:
        return QStringLiteral("Fast PWM bez odwrócenia nie osiąga 0 %: OCR = 0 daje impuls długości jednego taktu; "
                              "trzeba odłączyć wyjście (COMnx = 0) albo użyć trybu odwróconego.");
    case solver::Warning::FrequentInterrupt:
        return QStringLiteral("Przerwania co mniej niż %1 cykli CPU zostawiają mało czasu na ich obsługę i na "
                              "program.")
            .arg(solver::countingFloorCycles);
    case solver::Warning::InputCaptureLost:
        return QStringLiteral("ICRn przechowuje TOP, więc timer nie przechwytuje zboczy z wejścia ICPn "
                              "(input capture), a flaga przechwytywania ustawia się przy TOP.");
    case solver::Warning::PllClock:
        return QStringLiteral("Zegar PLL to ośmiokrotność wewnętrznego oscylatora RC, nie kwarcu, więc jest tylko "
                              "tak dokładny jak kalibracja tego oscylatora.");
    }
    return {};
}

QString problemText(solver::Problem problem, const solver::Query& query) {
    const QString chip = QString::fromUtf8(query.chip->title.data(), static_cast<qsizetype>(query.chip->title.size()));
    const bool interval = query.goal == solver::Goal::Interval;
    switch (problem) {
    case solver::Problem::ClockNotPositive: return QStringLiteral("Zegar musi być większy od zera.");
    case solver::Problem::CrystalNotPositive: return QStringLiteral("Kwarc Timera2 musi być większy od zera.");
    case solver::Problem::PllNotPositive: return QStringLiteral("Zegar PLL musi być większy od zera.");
    case solver::Problem::TargetNotPositive: return QStringLiteral("Wartość musi być większa od zera.");
    case solver::Problem::CrystalWithoutTimer2: return QStringLiteral("Kwarc zegarkowy taktuje tylko Timer2.");
    case solver::Problem::PllWithoutTimer:
        return QStringLiteral("Mikrokontroler %1 nie ma wybranego timera taktowanego zegarem PLL.").arg(chip);
    case solver::Problem::NoSuchTimer: return QStringLiteral("%1 nie ma takiego timera.").arg(chip);
    case solver::Problem::CrystalTooFast:
        return QStringLiteral("Zegar CPU musi być ponad cztery razy szybszy od kwarcu Timera2.");
    case solver::Problem::TargetBelowCycle:
        return interval ? QStringLiteral("Czas jest krótszy niż jeden cykl zegara.")
                        : QStringLiteral("Częstotliwość jest wyższa niż zegar.");
    case solver::Problem::TargetAboveHalfClock:
        return QStringLiteral("Częstotliwość jest wyższa niż połowa zegara, której żadne wyjście nie osiąga.");
    case solver::Problem::IntervalBelowRoutine:
        return QStringLiteral("Czas jest krótszy niż obsługa jednego przerwania (%1 cykli zegara).")
            .arg(solver::routineRoundTripCycles);
    case solver::Problem::NoSetting:
        return QStringLiteral("Wybrany timer mikrokontrolera %1 nie daje takiego przebiegu.").arg(chip);
    case solver::Problem::TooManyInterrupts:
        return QStringLiteral("Tak długi czas wymaga 2^32 przerwań lub więcej.");
    }
    return {};
}

QString quantityText(const solver::QuantityError& error, const QString& what, const QString& given,
                     solver::Dimension dimension) {
    const QString units = dimension == solver::Dimension::Frequency ? QStringLiteral("Hz, kHz, MHz")
                                                                    : QStringLiteral("us, ms, s");
    switch (error.kind()) {
    case solver::QuantityError::Kind::Empty: return QStringLiteral("%1: podaj wartość.").arg(what);
    case solver::QuantityError::Kind::NotANumber:
        return QStringLiteral("%1: „%2” nie jest liczbą.").arg(what, given);
    case solver::QuantityError::Kind::UnknownUnit:
        return QStringLiteral("%1: nieznana jednostka „%2” (%3).")
            .arg(what, QString::fromStdString(error.unit()), units);
    case solver::QuantityError::Kind::WrongDimension:
        return QStringLiteral("%1: „%2” to jednostka %3, a tu potrzebna jest jednostka %4 (%5).")
            .arg(what, QString::fromStdString(error.unit()),
                 dimension == solver::Dimension::Frequency ? QStringLiteral("czasu") : QStringLiteral("częstotliwości"),
                 dimension == solver::Dimension::Frequency ? QStringLiteral("częstotliwości") : QStringLiteral("czasu"),
                 units);
    case solver::QuantityError::Kind::TooLong:
        return QStringLiteral("%1: „%2” ma za dużo cyfr albo za duży wykładnik.").arg(what, given);
    }
    return {};
}

QString localized(const std::string& text, const QString& separator) {
    QString result = QString::fromStdString(text);
    result.replace(QLatin1Char('.'), separator);
    return result;
}

}  // namespace app
