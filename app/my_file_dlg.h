#pragma once
// The file dialog of "Load Profile..." and "Save Profile As...": profiles ("*.pro"),
// default name "default.pro", starting in the program's folder. Loading needs an
// existing file; saving asks before replacing one.

#include <QFileDialog>
#include <QString>

#include <optional>

namespace quorvex::widgets {

class CMyFileDlg : public QFileDialog {
    Q_OBJECT
public:
    enum class Mode { Load, Save };

    // startFolder: where the dialog opens (the program's folder, QUORVEX_HOME).
    CMyFileDlg(Mode mode, const QString& startFolder, int language, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }

    // Modal; the full path chosen, nothing when cancelled.
    std::optional<QString> choose();

    static std::optional<QString> askLoad(const QString& startFolder, int language,
                                          QWidget* parent);
    static std::optional<QString> askSave(const QString& startFolder, int language,
                                          QWidget* parent);

private:
    Mode mode_;
};

} // namespace quorvex::widgets
