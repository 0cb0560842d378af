#include "app/kit/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/kit/centered_alert.h"

namespace orvane::kit {

namespace {
Dialogs* installed = nullptr;

QString nameFilter(const QStringList& extensions) {
    if (extensions.isEmpty()) return {};
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns << QStringLiteral("*.") + extension;
        // Names made on other systems often carry the extension in capitals.
        patterns << QStringLiteral("*.") + extension.toUpper();
    }
    return patterns.join(QLatin1Char(' '));
}
}  // namespace

int Dialogs::run(CenteredAlert& alert) { return alert.runCentered(); }

std::optional<QString> Dialogs::askForName(const QString& current, const std::optional<QString>& title,
                                           const std::optional<QString>& message) {
    CenteredAlert alert(title.value_or(QString::fromUtf8("Redenumește proiectul")),
                        message.value_or(QString::fromUtf8(
                            "Numele este doar o etichetă; folderul RAW și XMP-urile nu se modifică.")),
                        alertReferenceWindow());
    auto* field = new QLineEdit(current);
    field->setObjectName(QStringLiteral("nameField"));
    field->setFixedSize(280, 24);
    field->selectAll();
    // The message box takes ownership of the field through its layout; it is the first responder.
    if (auto* grid = alert.layout()) grid->addWidget(field);
    alert.addChoice(QString::fromUtf8("Redenumește"));
    alert.addChoice(QString::fromUtf8("Anulează"));
    field->setFocus();
    if (run(alert) != CenteredAlert::firstButton) return std::nullopt;
    const QString name = field->text().trimmed();
    if (name.isEmpty() || name == current) return std::nullopt;
    return name;
}

std::optional<QString> Dialogs::askForText(const QString& title, const QString& current, const QString& placeholder,
                                           const QString& confirmTitle) {
    CenteredAlert alert(title, QString(), alertReferenceWindow());
    auto* field = new QLineEdit(current);
    field->setObjectName(QStringLiteral("textField"));
    field->setPlaceholderText(placeholder);
    field->setFixedSize(280, 24);
    field->selectAll();
    if (auto* grid = alert.layout()) grid->addWidget(field);
    alert.addChoice(confirmTitle);
    alert.addChoice(QString::fromUtf8("Anulează"));
    field->setFocus();
    if (run(alert) != CenteredAlert::firstButton) return std::nullopt;
    return field->text();
}

bool Dialogs::confirm(const QString& title, const QString& message, const QString& confirmTitle) {
    CenteredAlert alert(title, message, alertReferenceWindow());
    alert.addChoice(confirmTitle);
    alert.addChoice(QString::fromUtf8("Anulează"));
    return run(alert) == CenteredAlert::firstButton;
}

QStringList Dialogs::chooseFiles(const QString& message, const QStringList& extensions, bool multiple) {
    const QString filter = nameFilter(extensions);
    if (multiple) return QFileDialog::getOpenFileNames(alertReferenceWindow(), message, {}, filter);
    const QString path = QFileDialog::getOpenFileName(alertReferenceWindow(), message, {}, filter);
    return path.isEmpty() ? QStringList{} : QStringList{path};
}

std::optional<QString> Dialogs::chooseFolder(const QString& message) {
    const QString path = QFileDialog::getExistingDirectory(alertReferenceWindow(), message);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

namespace {

// An open panel in which a folder with the bundle suffix is chosen as it stands: opening it (a double
// click, or "Open" on it) takes the folder instead of entering it.
class BundlePanel final : public QFileDialog {
public:
    BundlePanel(QWidget* parent, const QString& message, const QString& filter, QString suffix)
        : QFileDialog(parent, message, {}, filter), suffix_(std::move(suffix)) {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
            if (isBundle(folder)) {
                chosen_ = folder;
                QDialog::accept();
            }
        });
    }
    QString chosen() const { return chosen_; }
    void accept() override {
        const QStringList selected = selectedFiles();
        if (selected.size() == 1 && isBundle(selected.front())) {
            chosen_ = selected.front();
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
        if (result() == QDialog::Accepted && !selectedFiles().isEmpty()) chosen_ = selectedFiles().front();
    }

private:
    bool isBundle(const QString& path) const {
        const QFileInfo info(path);
        return info.isDir() && info.fileName().endsWith(suffix_, Qt::CaseInsensitive) && info.fileName() != suffix_;
    }
    QString suffix_;
    QString chosen_;
};

}  // namespace

std::optional<QString> Dialogs::chooseFileOrBundle(const QString& message, const QStringList& extensions,
                                                   const QString& bundleSuffix) {
    QStringList patterns;
    for (const QString& e : extensions) patterns << QStringLiteral("*.") + e;
    patterns << QStringLiteral("*") + bundleSuffix;
    BundlePanel panel(alertReferenceWindow(), message, QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' '))),
                      bundleSuffix);
    if (panel.exec() != QDialog::Accepted || panel.chosen().isEmpty()) return std::nullopt;
    return panel.chosen();
}

std::optional<QString> Dialogs::chooseSaveFile(const QString& message, const QString& suggestedName,
                                               const QString& extension) {
    QString path = QFileDialog::getSaveFileName(alertReferenceWindow(), message, suggestedName,
                                                nameFilter({extension}));
    if (path.isEmpty()) return std::nullopt;
    if (!extension.isEmpty() && QFileInfo(path).suffix().compare(extension, Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + extension;
    return path;
}

Dialogs& dialogs() {
    static Dialogs real;
    return installed ? *installed : real;
}

void setDialogs(Dialogs* replacement) { installed = replacement; }

}  // namespace orvane::kit
