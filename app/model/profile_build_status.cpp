#include "app/model/profile_build_status.h"

#include <QCoreApplication>

namespace orvane::model {

namespace {
// Puts the numbers in place of the "%lld" of a string-table text, in order. Done by hand, so a
// translated text can never act as a format string.
QString withNumbers(const char* key, std::initializer_list<long long> numbers) {
    QString text = QCoreApplication::translate("ProfileBuilder", key);
    qsizetype from = 0;
    for (long long n : numbers) {
        const qsizetype at = text.indexOf(QLatin1String("%lld"), from);
        if (at < 0) break;
        const QString digits = QString::number(n);
        text.replace(at, 4, digits);
        from = at + digits.size();
    }
    return text;
}
}  // namespace

QString phaseText(const ProfileBuilder::Phase& phase) {
    using Kind = ProfileBuilder::Phase::Kind;
    switch (phase.kind) {
        case Kind::features: return withNumbers("Trăsături %lld/%lld", {phase.first, phase.second});
        case Kind::evaluation: return withNumbers("Validare %lld/%lld", {phase.first, phase.second});
        case Kind::training: return QCoreApplication::translate("ProfileBuilder", "Antrenare model final");
    }
    return {};
}

}  // namespace orvane::model
