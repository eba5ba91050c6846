#pragma once
#include <QDialog>
#include <QString>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

// "V" major "." minor, plain digits: the version label's text.
QString VersionLabelText(int major, int minor);

// The splash window at start-up and, with its OK button shown, the About window.
// Loaded through the window registry: appWindows().form<StartForm>().
class StartForm : public QDialog
{
    Q_OBJECT
public:
    explicit StartForm(QWidget *parent = nullptr);

    // Colours, position (500 twips below the screen's centre) and the version text.
    void Form_Load();
    // Closes the About window (it is unloaded by whoever showed it).
    void OKBut_Click();
    // Replaces the second title line by its translation from the language database at
    // databasePath (see DefaultLanguageDatabase) for a language other than "English".
    // Does nothing when the file is missing or unreadable or has no such language.
    void InitLang(const QString &databasePath, const QString &language);
    // The language database InitLang is meant to read: "language.db" beside the program.
    static QString DefaultLanguageDatabase();

    std::array<QLabel *, 2> TitleLab{};
    std::array<QFrame *, 2> TitleLine{};
    QFrame *Shape2 = nullptr;
    QLabel *CompLogo = nullptr;
    QLabel *Image5 = nullptr;
    QLabel *VerLab = nullptr;
    QPushButton *OKBut = nullptr;
};
