#pragma once
// One service for every question the application asks with a modal dialog: centred alerts, the name
// prompt, and the file and folder pickers. Screens call `dialogs()`; tests install a scripted
// stand-in (app/testing/scripted_dialogs.h) so no modal loop ever blocks them.
#include <QString>
#include <QStringList>

#include <optional>

namespace orvane::kit {

class CenteredAlert;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Runs a built alert centred over the window the user works in; returns its answer
    // (CenteredAlert::firstButton for the first choice, + 1 for the second, …).
    virtual int run(CenteredAlert& alert);

    // The name prompt: an alert with `title` as its message, `message` as its informative text, an
    // editable 280 × 24 field holding `current`, and the buttons "Redenumește" and "Anulează".
    // Returns the field's text trimmed at both ends when "Redenumește" was pressed and that text is
    // neither empty nor `current`. Absent title and message read "Redenumește proiectul" and
    // "Numele este doar o etichetă; folderul RAW și XMP-urile nu se modifică.".
    virtual std::optional<QString> askForName(const QString& current, const std::optional<QString>& title = {},
                                              const std::optional<QString>& message = {});

    // A text prompt: an alert with `title` as its message and no informative text, an editable 280 × 24
    // field holding `current` with `placeholder`, and the buttons `confirmTitle` and "Anulează". Returns
    // the field's text as typed (blank included) when `confirmTitle` was pressed; nothing otherwise.
    virtual std::optional<QString> askForText(const QString& title, const QString& current, const QString& placeholder,
                                              const QString& confirmTitle);

    // A confirmation: `title` and `message`, the buttons `confirmTitle` (first, the default) and
    // "Anulează". True only when the first button was chosen.
    bool confirm(const QString& title, const QString& message, const QString& confirmTitle);

    // Open panels. `extensions` are lower-case file-name extensions without the dot; empty takes any
    // file. Each returns absolute paths in the order chosen; empty when cancelled.
    virtual QStringList chooseFiles(const QString& message, const QStringList& extensions, bool multiple);
    virtual std::optional<QString> chooseFolder(const QString& message);
    // A file with one of `extensions`, or a folder whose name ends in `bundleSuffix` (an application
    // folder taken whole rather than opened); nothing when cancelled.
    virtual std::optional<QString> chooseFileOrBundle(const QString& message, const QStringList& extensions,
                                                      const QString& bundleSuffix);
    // A save panel suggesting `suggestedName`; the chosen path carries `extension` (added when missing).
    virtual std::optional<QString> chooseSaveFile(const QString& message, const QString& suggestedName,
                                                  const QString& extension);
};

// The process-wide service: the real one unless a test installed another (`nullptr` restores it).
Dialogs& dialogs();
void setDialogs(Dialogs* replacement);

}  // namespace orvane::kit
