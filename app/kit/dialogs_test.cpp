#include "app/kit/dialogs.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include "app/kit/centered_alert.h"
#include "app/testing/scripted_dialogs.h"

namespace orvane::kit {
namespace {

TEST(Dialogs, confirmationIsTrueOnlyForTheFirstButton) {
    testing::ScriptedDialogs scripted;
    scripted.alertAnswers = {CenteredAlert::firstButton, CenteredAlert::firstButton + 1};
    EXPECT_TRUE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    EXPECT_FALSE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    // Unscripted: the last button, "Anulează".
    EXPECT_FALSE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    ASSERT_EQ(scripted.asked.size(), 3u);
    EXPECT_EQ(scripted.asked[0].buttons, (QStringList{"Șterge", QString::fromUtf8("Anulează")}));
    EXPECT_EQ(scripted.asked[0].informative, QString::fromUtf8("Se mută în Coș."));
}

TEST(Dialogs, theRealNamePromptTrimsAndRefusesEmptyOrUnchangedNames) {
    struct Case {
        const char* typed;
        int answer;
        std::optional<QString> expected;
    } cases[] = {
        {"  Nunta Ana  ", CenteredAlert::firstButton, QString("Nunta Ana")},
        {"   ", CenteredAlert::firstButton, std::nullopt},
        {"Vechi", CenteredAlert::firstButton, std::nullopt},
        {"Altul", CenteredAlert::firstButton + 1, std::nullopt},
    };
    // The real prompt with only the modal run replaced: it types into the real field.
    struct TypingDialogs : Dialogs {
        QString typed;
        int answer = 0;
        QString seenTitle;
        int run(CenteredAlert& alert) override {
            seenTitle = alert.text();
            auto* field = alert.findChild<QLineEdit*>("nameField");
            if (field) field->setText(typed);
            return answer;
        }
    };
    for (const Case& c : cases) {
        TypingDialogs typing;
        typing.typed = QString::fromUtf8(c.typed);
        typing.answer = c.answer;
        EXPECT_EQ(typing.askForName("Vechi"), c.expected) << c.typed;
        EXPECT_EQ(typing.seenTitle, QString::fromUtf8("Redenumește proiectul"));
    }
}

TEST(Dialogs, theRealTextPromptGivesTheTextAsTypedBlankIncluded) {
    struct TypingDialogs : Dialogs {
        QString typed;
        int answer = CenteredAlert::firstButton;
        QStringList buttons;
        QString placeholder;
        int run(CenteredAlert& alert) override {
            for (auto* b : alert.choices()) buttons << b->text();
            auto* field = alert.findChild<QLineEdit*>("textField");
            if (field) {
                placeholder = field->placeholderText();
                field->setText(typed);
            }
            return answer;
        }
    };
    TypingDialogs typing;
    typing.typed = "  ";
    EXPECT_EQ(typing.askForText("Redenumește", "Vechi", "Nume", "Salvează"), QString("  "));
    EXPECT_EQ(typing.buttons, (QStringList{QString::fromUtf8("Salvează"), QString::fromUtf8("Anulează")}));
    EXPECT_EQ(typing.placeholder, QString("Nume"));
    typing.answer = CenteredAlert::firstButton + 1;
    EXPECT_EQ(typing.askForText("Redenumește", "Vechi", "Nume", "Salvează"), std::nullopt);
}

}  // namespace
}  // namespace orvane::kit
