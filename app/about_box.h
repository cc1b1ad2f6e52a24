#pragma once
// The about box: the program's name and version over a picture of ours, the
// warranty disclaimer and a mail link for reports. It is made once, hidden,
// and only ever hidden again.

#include "ui/window_common.h"

#include <QDialog>
#include <QLabel>

#include <functional>
#include <string_view>

namespace korvex {

inline constexpr std::string_view AboutCaption = "About Korvex Model Viewer";
inline constexpr std::string_view VersionText = "Version: 1.0";
static_assert(VersionText.ends_with(ProgramVersion), "the about box shows the program's version");
inline constexpr std::string_view ByLine = "by the Korvex team";
inline constexpr std::string_view ReportInvitation = "Report any bugs or suggestions to";
inline constexpr std::string_view Disclaimer =
    "This Program is provided \"as is\" with no warranty whatsoever. The author may not be held liable for any "
    "direct or indirect damages arising out of the use of or inability to use this software. Use at your own "
    "risk.  ";

// A label that reports a press of the left button.
class ClickableLabel : public QLabel {
public:
    explicit ClickableLabel(QWidget* parent) : QLabel(parent) {}
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent);

    // Shows the box without making it modal, or brings it to the front.
    void showRaised();

    // Each showing puts in the version and the report address.
    void prepareTexts();
    // Asks the desktop to write a mail to the report address.
    void mailReport();
    // The "OK" picture hides the box.
    void okPictureClicked();

    QLabel* backdrop;
    QLabel* titleLabel;
    QLabel* bylineLabel;
    QLabel* versionLabel;
    QLabel* reportLabel;
    ClickableLabel* addressLink;
    QLabel* disclaimerLabel;
    ClickableLabel* okPicture;

protected:
    void showEvent(QShowEvent* event) override;
};

// Makes `label`'s font smaller, a pixel at a time, until its text fits the
// label: on one line, or within its height when it wraps.
void shrinkFontToFit(QLabel& label);

}  // namespace korvex
