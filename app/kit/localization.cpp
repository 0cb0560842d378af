#include "app/kit/localization.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "app/kit/kit_settings.h"

namespace orvane::kit {

namespace {
QHash<QString, QString>& englishTable() {
    static QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        // The kit's own texts.
        const std::pair<const char*, const char*> kit[] = {
            {"Înapoi la %1", "Back to %1"},
            {"Revino la valoarea de bază", "Back to the base value"},
            {"Sortare", "Sort"},
            {"Recente", "Recent"},
            {"Nume", "Name"},
            {"Din catalog Lightroom", "From a Lightroom catalog"},
            {"Din folder RAW", "From a RAW folder"},
            {"Închide", "Close"},
        };
        for (const auto& [ro, en] : kit) t.insert(QString::fromUtf8(ro), QString::fromUtf8(en));
        return t;
    }();
    return table;
}
}  // namespace

bool englishInterface() { return KitSettings::instance().defaults().textValue("language") == std::optional<std::string>("en"); }

QString localized(const QString& romanian) {
    if (!englishInterface()) return romanian;
    const auto& table = englishTable();
    auto it = table.constFind(romanian);
    return it == table.constEnd() ? romanian : *it;
}

QString localized(const char* romanianUtf8) { return localized(QString::fromUtf8(romanianUtf8)); }

QString localizedCount(const char* romanianUtf8, long long n) { return localizedCount(romanianUtf8, {n}); }

void addEnglishTexts(std::initializer_list<std::pair<const char*, const char*>> texts) {
    auto& table = englishTable();
    for (const auto& [ro, en] : texts) table.insert(QString::fromUtf8(ro), QString::fromUtf8(en));
}

QString localizedCount(const char* key, std::initializer_list<long long> numbers) {
    QString text = localized(key);
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

QString abbreviatedDateText(Date date) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    const QDate day = QDateTime::fromMSecsSinceEpoch(ms).date();  // the local calendar day
    if (englishInterface()) return QLocale(QLocale::English, QLocale::UnitedStates).toString(day, "MMM d, yyyy");
    return QLocale(QLocale::Romanian, QLocale::Romania).toString(day, "d MMM yyyy");
}

}  // namespace orvane::kit
