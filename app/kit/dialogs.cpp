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
