// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/MessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "toolkit/ExceptionReport.h"

namespace skyvane {

namespace {
MessageBoxAnswerer& Answerer() {
    static MessageBoxAnswerer answerer;
    return answerer;
}
QMessageBox::Icon ToQt(TMsgIcon icon) {
    switch (icon) {
        case TMsgIcon::Error: return QMessageBox::Critical;
        case TMsgIcon::Warning: return QMessageBox::Warning;
        case TMsgIcon::Information: return QMessageBox::Information;
        case TMsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

TMsgResult ShowMessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) {
    return ShowMessageBox(MessageBoxRequest{text, caption, buttons, icon, {}});
}

TMsgResult ShowMessageBox(const MessageBoxRequest& request) {
    if (const MessageBoxAnswerer answerer = Answerer()) return answerer(request);
    QMessageBox box(ToQt(request.icon), QString::fromLocal8Bit(request.caption),
                    QString::fromLocal8Bit(request.text));
    if (request.buttons == TMsgButtons::OKCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    if (!request.okText.empty())
        box.button(QMessageBox::Ok)->setText(QString::fromLocal8Bit(request.okText));
    const int chosen = box.exec();
    if (chosen == QMessageBox::Ok) return TMsgResult::OK;
    return request.buttons == TMsgButtons::OK ? TMsgResult::OK : TMsgResult::Cancel;
}

MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
    std::swap(Answerer(), answerer);
    return answerer;
}

}  // namespace skyvane
