#include "passwords/MasterPassword.h"
#include "passwords/PwdVault.h"
#include "passwords/Windows1250.h"
#include "passwords/qnHash.h"
#include "settings/uOptions.h"
#include "support/SandboxTest.h"

#include <deque>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// The windows of the gate, played from a script: what the user types into each dialog
// and which button closes it. Everything shown is recorded in order.
class ScriptedGateUi : public TPwdGateUi
{
public:
    struct ChangePwdInput
    {
        bool ok;
        QString oldPassword, newPassword1, newPassword2;
    };
    struct PromptInput
    {
        bool ok;
        QString password;
    };

    std::deque<ChangePwdInput> changePwd;
    std::deque<PromptInput> prompt;
    QStringList shown;

    void ShowInformation(const QString& text) override { shown.append(text); }
    quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest,
                         const TPreparePassword& prepare) override
    {
        shown.append(u"<change>"_s);
        const ChangePwdInput input = Next(changePwd);
        if (!input.ok)
            return ChangePwdCancelled;
        const auto result = EvaluateChangePwd(input.oldPassword, input.newPassword1, input.newPassword2,
                                              storedDigest, prepare);
        if (result == ChangePwdAccepted)
            newPassword = input.newPassword1;
        return result;
    }
    bool ShowPwdMh(QString& password) override
    {
        shown.append(u"<prompt>"_s);
        const PromptInput input = Next(prompt);
        if (input.ok)
            password = input.password;
        return input.ok;
    }
    void ShowPwdManager(const QString& password) override
    {
        shown.append(u"<manager>"_s);
        managerPasswords.append(password);
    }
    QStringList managerPasswords;

private:
    template <typename T> static T Next(std::deque<T>& queue)
    {
        if (queue.empty())
            throw std::logic_error("dialog shown that the test did not expect");
        T input = queue.front();
        queue.pop_front();
        return input;
    }
};

class MasterPassword : public nuvex::test::SandboxTest
{
protected:
    QString Digest() { return options.OlderPasswordDigest(); }
    QString Verifier() { return options.PasswordVerifier(); }
    // Runs the gate once, the user giving these answers; what it showed.
    QStringList Gate(std::deque<ScriptedGateUi::PromptInput> prompt,
                     std::deque<ScriptedGateUi::ChangePwdInput> changePwd = {})
    {
        ui.shown.clear();
        ui.prompt = std::move(prompt);
        ui.changePwd = std::move(changePwd);
        RunPwdManagerGate(options, ui);
        return ui.shown;
    }

    TIOptions options{kOptionsKeyPath, TOptions::TRootKey::CurrentUser};
    ScriptedGateUi ui;
};

} // namespace

TEST_F(MasterPassword, PreparesWithTwoFixedCharactersAndDigestsThat)
{
    QString password = u"tajné"_s;
    PreparePassword(password);
    EXPECT_EQ(password.size(), 7);
    EXPECT_EQ(password.mid(1, 5), u"tajné"_s);
    EXPECT_NE(password.front(), password.back());
    EXPECT_TRUE(password.front().isPunct() && password.back().isPunct());
    EXPECT_LT(password.front().unicode(), 0x7F);
    EXPECT_LT(password.back().unicode(), 0x7F);
    // Pinned: a stored digest must keep opening the manager on every installation.
    EXPECT_EQ(PasswordDigest(QString()), u"85E318A2B32953EDE3405FF0B2914E96C6292464"_s);
    EXPECT_EQ(PasswordDigest(u"tajné"_s), HashString(password));
    EXPECT_TRUE(IsDigestText(PasswordDigest(u"x"_s)));
    EXPECT_FALSE(IsDigestText(PasswordDigest(u"x"_s).toLower()));
    EXPECT_FALSE(IsDigestText(u"ABC"_s));
}

TEST_F(MasterPassword, ChangeDialogResultCodes)
{
    const QString stored = PasswordDigest(u"Staré"_s);
    const TPreparePassword prepare = &PreparePassword;
    EXPECT_EQ(EvaluateChangePwd(u"Staré"_s, u"nové"_s, u"nové"_s, stored, prepare), ChangePwdAccepted);
    EXPECT_EQ(EvaluateChangePwd(u"staré"_s, u"nové"_s, u"nové"_s, stored, prepare), ChangePwdWrongOld);
    // Both faults: only the new entries count.
    EXPECT_EQ(EvaluateChangePwd(u"špatné"_s, u"a"_s, u"b"_s, stored, prepare), ChangePwdMismatch);
    EXPECT_EQ(EvaluateChangePwd(u"Staré"_s, u"a"_s, u"A"_s, stored, prepare), ChangePwdMismatch);
    // With no master password the old field is ignored, whatever it holds.
    EXPECT_EQ(EvaluateChangePwd(u"Жzzz"_s, QString(), QString(), QString(), prepare), ChangePwdAccepted);
    // An old password that cannot even be encoded is wrong, not an error.
    EXPECT_EQ(EvaluateChangePwd(u"Ж"_s, u"n"_s, u"n"_s, stored, prepare), ChangePwdWrongOld);
    // Without the hook the old password is digested as typed.
    EXPECT_EQ(EvaluateChangePwd(u"x"_s, u"n"_s, u"n"_s, HashString(u"x"_s), nullptr), ChangePwdAccepted);
}

TEST_F(MasterPassword, FirstUseStoresTheNewPasswordThenAsksForIt)
{
    EXPECT_EQ(Gate({{true, u"Heslo1"_s}}, {{true, u"ignored"_s, u"Heslo1"_s, u"Heslo1"_s}}),
              (QStringList{kMsgFirstUse, u"<change>"_s, kMsgNewPwdSaved, u"<prompt>"_s, u"<manager>"_s}));
    // A salted, slow verifier instead of the digest: the manager gets the password for
    // its key.
    EXPECT_TRUE(Digest().isEmpty());
    EXPECT_TRUE(Verifier().startsWith(u"$argon2id$"_s)) << Verifier().toStdString();
    EXPECT_TRUE(MasterPasswordMatches(u"Heslo1"_s, Verifier(), &PreparePassword));
    EXPECT_EQ(ui.managerPasswords, QStringList{u"Heslo1"_s});

    // From now on only the prompt, and letter case matters.
    EXPECT_EQ(Gate({{true, u"heslo1"_s}}), (QStringList{u"<prompt>"_s, kMsgAccessDenied}));
}

TEST_F(MasterPassword, CancelledOrFailedFirstUseStoresNothing)
{
    EXPECT_EQ(Gate({}, {{false, {}, u"a"_s, u"a"_s}}), (QStringList{kMsgFirstUse, u"<change>"_s}));
    EXPECT_TRUE(Digest().isEmpty());

    EXPECT_EQ(Gate({}, {{true, {}, u"a"_s, u"b"_s}}),
              (QStringList{kMsgFirstUse, u"<change>"_s, kMsgNewPwdMismatch}));
    EXPECT_TRUE(Digest().isEmpty());
    EXPECT_TRUE(Verifier().isEmpty());
}

TEST_F(MasterPassword, EmptyMasterPasswordWithEmptyAutoPwdOpensWithoutAPrompt)
{
    EXPECT_EQ(Gate({}, {{true, {}, {}, {}}}),
              (QStringList{kMsgFirstUse, u"<change>"_s, kMsgNewPwdSaved, u"<manager>"_s}));
    EXPECT_TRUE(IsVerifierText(Verifier()));

    EXPECT_EQ(Gate({}), QStringList{u"<manager>"_s});
}

TEST_F(MasterPassword, AutomaticLoginAndThePrompt)
{
    options.SetOlderPasswordDigest(PasswordDigest(u"Kůň"_s));
    options.SetAutoPassword(u"Kůň"_s);
    EXPECT_EQ(Gate({}), QStringList{u"<manager>"_s});

    // A stale or unencodable AutoPwd just means the prompt, with no message of its own.
    for (const QString& autoPwd : {u"kůň"_s, u"Кон"_s}) {
        options.SetAutoPassword(autoPwd);
        EXPECT_EQ(Gate({{false, {}}}), QStringList{u"<prompt>"_s});
        EXPECT_EQ(Gate({{true, u"Kůň"_s}}), (QStringList{u"<prompt>"_s, u"<manager>"_s}));
    }
}

TEST_F(MasterPassword, TheOldDigestIsAcceptedOnceAndReplacedByTheVerifier)
{
    const QString old = PasswordDigest(u"Kůň"_s);
    options.SetOlderPasswordDigest(old);
    // A wrong password changes nothing.
    EXPECT_EQ(Gate({{true, u"kůň"_s}}), (QStringList{u"<prompt>"_s, kMsgAccessDenied}));
    EXPECT_EQ(Digest(), old);
    EXPECT_TRUE(Verifier().isEmpty());

    EXPECT_EQ(Gate({{true, u"Kůň"_s}}), (QStringList{u"<prompt>"_s, u"<manager>"_s}));
    EXPECT_TRUE(Digest().isEmpty());
    EXPECT_TRUE(CheckVerifier(Verifier(), TSecretBytes::FromText(u"Kůň"_s)));

    // The digest put back by hand (or by an older copy) no longer counts.
    options.SetOlderPasswordDigest(PasswordDigest(u"jiné"_s));
    EXPECT_EQ(Gate({{true, u"jiné"_s}}), (QStringList{u"<prompt>"_s, kMsgAccessDenied}));
    EXPECT_TRUE(CheckMasterPassword(options, u"Kůň"_s));
}

TEST_F(MasterPassword, VerifiersAreSaltedAndAnyCharacterWillDo)
{
    const auto secret = TSecretBytes::FromText(u"пароль"_s);
    const QString a = MakeVerifier(secret), b = MakeVerifier(secret);
    EXPECT_NE(a, b);
    EXPECT_TRUE(CheckVerifier(a, secret));
    EXPECT_TRUE(CheckVerifier(b, secret));
    EXPECT_FALSE(CheckVerifier(a, TSecretBytes::FromText(u"ПАРОЛЬ"_s)));
    EXPECT_FALSE(CheckVerifier(u"$argon2id$garbage"_s, secret));
    // A verifier in place of the digest serves the change dialog the same way.
    EXPECT_EQ(EvaluateChangePwd(u"пароль"_s, u"n"_s, u"n"_s, a, &PreparePassword), ChangePwdAccepted);
    EXPECT_EQ(EvaluateChangePwd(u"x"_s, u"n"_s, u"n"_s, a, &PreparePassword), ChangePwdWrongOld);
}
