#include "app/settings/diagnostic_report.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <fstream>
#include <system_error>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/app_version.h"
#include "app/model/worker_policy.h"
#include "app/platform/lightroom_host.h"

namespace orvane::settings {

namespace fs = std::filesystem;

namespace {

QString firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    return QString::fromUtf8(line.data(), qsizetype(line.size())).trimmed();
}

// The text of a stored setting as it is stored: strings as they are, other values as JSON.
QString storedText(const Defaults& defaults, const char* key, const char* absent) {
    const auto v = defaults.value(key);
    if (!v) return QString::fromUtf8(absent);
    if (v->is_string()) return QString::fromStdString(v->get<std::string>());
    return QString::fromStdString(v->dump());
}

}  // namespace

QString cleanReportValue(const QString& value, int limit) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
        out.append(control ? QChar(u' ') : c);
    }
    if (out.size() > limit) {
        int cut = limit;
        // Never leave half of a surrogate pair behind.
        if (cut > 0 && out.at(cut - 1).isHighSurrogate()) --cut;
        out.truncate(cut);
        out.append(QChar(0x2026));
    }
    return out;
}

QString byteCountText(std::int64_t bytes) {
    // Decimal units, as file sizes are shown; one decimal below 100 of a unit.
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1000) return QLocale().toString(qlonglong(bytes < 0 ? 0 : bytes)) + QStringLiteral(" B");
    double value = double(bytes) / 1000;
    int unit = 0;
    while (value >= 999.95 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    return QLocale().toString(value, 'f', value < 99.95 ? 1 : 0) + u' ' + QString::fromLatin1(units[unit]);
}

QString diagnosticReport(const DiagnosticFacts& f, const Defaults& defaults) {
    const auto n = [](auto v) { return QString::number(v); };
    const auto workers = defaults.intValue("workers").value_or(0);
    QStringList lines;
    lines << QString::fromUtf8("Vendrel – raport de diagnostic");
    lines << QString::fromUtf8("Data: ") + cleanReportValue(f.date);
    lines << QString::fromUtf8("Versiune: ") + cleanReportValue(f.version, 40) + " (" + cleanReportValue(f.build, 40) + ")";
    lines << QString::fromUtf8("Linux: ") + cleanReportValue(f.system);
    lines << QString::fromUtf8("Calculator: ") + cleanReportValue(f.machineModel, 64) + QString::fromUtf8(" · ") +
                 n(f.performanceCores) + QString::fromUtf8(" nuclee de performanță + ") + n(f.efficiencyCores) +
                 QString::fromUtf8(" de eficiență · ") + n(qulonglong(f.memoryBytes >> 30)) +
                 QString::fromUtf8(" GB memorie");
    lines << QString::fromUtf8("Procesări în paralel (automat): ") + n(f.automaticWorkers);
    lines << QString::fromUtf8("Spațiu liber: ") + byteCountText(f.freeBytes);
    lines << QString::fromUtf8("Stare termică: ") + n(f.thermalState) + QString::fromUtf8(" · economisire energie: ") +
                 (f.lowPower ? "da" : "nu");
    lines << QString::fromUtf8("Profiluri: ") + n(qulonglong(f.profiles)) + QString::fromUtf8(" (construite: ") +
                 n(qulonglong(f.builtProfiles)) + QString::fromUtf8(") · cataloage: ") + n(qulonglong(f.catalogs)) +
                 QString::fromUtf8(" · proiecte: ") + n(qulonglong(f.projects));
    lines << QString::fromUtf8("Lightroom pornit: ") + (f.lightroomRunning ? "da" : "nu");
    lines << QString::fromUtf8("Setări: aspect=") + cleanReportValue(storedText(defaults, "appearance", "auto"), 40) +
                 ", stil=" + cleanReportValue(storedText(defaults, "style", "flat"), 40) +
                 QString::fromUtf8(", limbă=") + cleanReportValue(storedText(defaults, "language", "ro"), 40) +
                 ", copii=" + cleanReportValue(storedText(defaults, "backupKeep", "3"), 40) +
                 QString::fromUtf8(", procesări paralele=") + (workers != 0 ? n(qlonglong(workers)) : QStringLiteral("auto"));
    return lines.join(QChar(u'\n')) + QChar(u'\n');
}

DiagnosticServices DiagnosticServices::standard(model::AppModel& app) {
    DiagnosticServices s;
    s.now = [] { return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat); };
    s.system = [] { return systemVersionText(); };
    s.machineModel = [] { return machineModelText(); };
    s.freeBytes = [] { return freeSpaceOfHome(); };
    s.lightroomRunning = [defaults = app.sharedDefaults()] {
        return !platform::makeLinuxLightroomHost(defaults)->runningInstances().empty();
    };
    return s;
}

DiagnosticFacts gatherDiagnosticFacts(model::AppModel& app, const platform::MachineInfo& machine,
                                      const DiagnosticServices& services) {
    DiagnosticFacts f;
    f.date = services.now();
    f.version = model::currentShortVersion();
    f.build = model::currentBuildNumber();
    f.system = services.system();
    f.machineModel = services.machineModel();
    f.performanceCores = machine.performanceCores();
    f.efficiencyCores = machine.efficiencyCores();
    f.memoryBytes = machine.physicalMemory();
    f.automaticWorkers = model::automaticWorkerCount(machine);
    f.freeBytes = services.freeBytes();
    f.thermalState = int(machine.thermalState());
    f.lowPower = machine.lowPowerMode();
    f.profiles = app.profiles().size();
    for (const Profile& p : app.profiles()) f.builtProfiles += p.isBuilt() ? 1 : 0;
    f.catalogs = app.catalogs().size();
    f.projects = app.projects().size();
    f.lightroomRunning = services.lightroomRunning();
    return f;
}

std::int64_t directorySize(const fs::path& folder) {
    std::int64_t total = 0;
    // A walk of our own: a folder that cannot be listed is passed over and the walk goes on. Entries are
    // looked at with lstat, so a symbolic link counts its own size and is never followed.
    std::vector<fs::path> pending{folder};
    while (!pending.empty()) {
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode)) pending.push_back(it->path());
            else total += std::int64_t(st.st_size);
        }
    }
    return total;
}

QString systemVersionText(const fs::path& root) {
    QString name;
    std::ifstream in(root / "etc/os-release");
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("PRETTY_NAME=")) continue;
        name = QString::fromUtf8(line.substr(12)).trimmed();
        if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) name = name.mid(1, name.size() - 2);
    }
    if (name.isEmpty()) name = QStringLiteral("Linux");
    struct utsname u {};
    if (root == fs::path("/") && ::uname(&u) == 0) name += QStringLiteral(" (kernel ") + QString::fromUtf8(u.release) + ")";
    return name;
}

QString machineModelText(const fs::path& root) {
    const fs::path dmi = root / "sys/class/dmi/id";
    const QString vendor = firstLine(dmi / "sys_vendor");
    const QString product = firstLine(dmi / "product_name");
    if (product.isEmpty()) return vendor;
    if (vendor.isEmpty() || product.startsWith(vendor)) return product;
    return vendor + u' ' + product;
}

std::int64_t freeSpaceOfHome() {
    struct statvfs st {};
    if (::statvfs(QDir::homePath().toLocal8Bit().constData(), &st) != 0) return 0;
    return std::int64_t(st.f_bavail) * std::int64_t(st.f_frsize);
}

}  // namespace orvane::settings
