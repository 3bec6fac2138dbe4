#include "forms/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace hopplix {

namespace {

// A message box that a question's two buttons alone may close.
class MessageBox : public QMessageBox {
public:
    explicit MessageBox(bool question) : question_(question) {}
    void closeWithoutAnswer()
    {
        closedWithoutAnswer_ = true;
        done(0);
    }
    bool closedWithoutAnswer() const { return closedWithoutAnswer_; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // A held Escape would otherwise answer the question it opened, then open the next one.
        if (question_ && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (question_) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    bool question_;
    bool closedWithoutAnswer_ = false;
};

} // namespace

std::unique_ptr<QMessageBox> buildMessageBox(const std::string& prompt, int style, const std::string& title)
{
    const bool question = (style & 7) == mb::vbYesNo;
    auto box = std::make_unique<MessageBox>(question);
    box->setWindowTitle(QString::fromStdString(title));
    box->setText(QString::fromStdString(prompt));
    box->setTextFormat(Qt::PlainText);
    box->setIcon((style & mb::vbCritical) ? QMessageBox::Critical : QMessageBox::NoIcon);
    if (question) {
        QPushButton* yes = box->addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        box->addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        // A title bar without a close box: only the buttons answer.
        box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    } else {
        QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    return box;
}

int answerOf(const QMessageBox& box)
{
    if (const auto* own = dynamic_cast<const MessageBox*>(&box); own && own->closedWithoutAnswer())
        return mb::vbNoAnswer;
    const auto buttons = box.buttons();
    const bool yesNo = std::any_of(buttons.begin(), buttons.end(),
                                   [&](QAbstractButton* b) { return box.buttonRole(b) == QMessageBox::YesRole; });
    QAbstractButton* clicked = box.clickedButton();
    if (!yesNo)
        return mb::vbOK;
    if (!clicked)
        return mb::vbNoAnswer;
    return box.buttonRole(clicked) == QMessageBox::YesRole ? mb::vbYes : mb::vbNo;
}

int QtMessageBoxes::MsgBox(const std::string& prompt, int style, const std::string& title)
{
    const auto box = buildMessageBox(prompt, style, title);
    open_.emplace_back(box.get());
    box->exec();
    std::erase_if(open_, [&](const QPointer<QMessageBox>& b) { return b.isNull() || b == box.get(); });
    return answerOf(*box);
}

void QtMessageBoxes::closeUnanswered()
{
    // Each closed box's loop ends once control returns to it; the innermost first.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (*it)
            static_cast<MessageBox*>(it->data())->closeWithoutAnswer(); // built by buildMessageBox
}

void QtBeeper::Beep() { QApplication::beep(); }

ScreenMetrics screenMetricsFor(QSize sizePixels, double logicalDpiX, double logicalDpiY)
{
    ScreenMetrics m;
    m.twipsPerPixelX = logicalDpiX > 0 ? 1440.0 / logicalDpiX : 15.0;
    m.twipsPerPixelY = logicalDpiY > 0 ? 1440.0 / logicalDpiY : 15.0;
    m.widthTwips = sizePixels.width() * m.twipsPerPixelX;
    m.heightTwips = sizePixels.height() * m.twipsPerPixelY;
    return m;
}

ScreenMetrics currentScreenMetrics()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return ScreenMetrics{};
    return screenMetricsFor(screen->size(), screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

} // namespace hopplix
