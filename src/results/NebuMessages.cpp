#include "results/NebuMessages.h"

#include <QMessageBox>

namespace nebu {

namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

// Closing the box without a button is the answer that risks nothing.
MsgAnswer ClosedAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::YesNo:
            return MsgAnswer::No;
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Cancel;
        case MsgButtons::Ok:
            break;
    }
    return MsgAnswer::Ok;
}

}  // namespace

void ShowNebuMessage(QWidget* parent, const std::string& text) {
    AskNebuMessage(parent, kMessageCaption, text, MsgButtons::Ok);
}

MsgAnswer AskNebuMessage(QWidget* parent, const std::string& caption, const std::string& text,
                         MsgButtons buttons) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(ButtonsOf(buttons));
    if (buttons == MsgButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        default:
            return ClosedAnswer(buttons);
    }
}

}  // namespace nebu
