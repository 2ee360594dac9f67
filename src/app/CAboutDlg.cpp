// The About box, built from its dialog template.
#include "CAboutDlg.h"

#include <DialogTemplate.h>
#include <Presentation.h>
#include <QPushButton>

namespace tandrel {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setFont(templateFont());
    const QIcon icon = applicationIcon();
    setWindowIcon(icon);
    createFromTemplate(*this, kAboutDialog, baseUnitsOf(font()), icon);
    setFixedSize(size());
    connect(qobject_cast<QPushButton*>(controlById(*this, kOkId)), &QPushButton::clicked, this,
            &QDialog::accept);
}

} // namespace tandrel
