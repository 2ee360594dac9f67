// The About box: the application's icon, name, version and notice of rights.
#pragma once

#include <QDialog>

namespace tandrel {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace tandrel
