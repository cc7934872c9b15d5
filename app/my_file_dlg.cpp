#include "app/my_file_dlg.h"

#include "resources/menus.h"

namespace quorvex::widgets {

namespace {

QString menuCaption(int command, int language) {
    const quorvex::menus::MenuItem* item = quorvex::menus::findItem(command);
    if (item == nullptr) return {};
    const std::string_view text = quorvex::menus::itemText(*item, language);
    QString caption = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

} // namespace

CMyFileDlg::CMyFileDlg(Mode mode, const QString& startFolder, int language, QWidget* parent)
    : QFileDialog(parent), mode_(mode) {
    setObjectName(QStringLiteral("CMyFileDlg"));
    const bool load = mode == Mode::Load;
    setWindowTitle(menuCaption(
        load ? quorvex::menus::kCmdLoadProfile : quorvex::menus::kCmdSaveProfile, language));
    setAcceptMode(load ? AcceptOpen : AcceptSave);
    setFileMode(load ? ExistingFile : AnyFile);
    setNameFilters({QStringLiteral("ProFiles (*.pro)"), QStringLiteral("All Files (*)")});
    setDefaultSuffix(QStringLiteral("pro"));
    setDirectory(startFolder);
    selectFile(QStringLiteral("default.pro"));
    // Saving asks before replacing a file (the dialog's own question).
    setOption(DontConfirmOverwrite, false);
    setOption(ReadOnly, false);
}

std::optional<QString> CMyFileDlg::choose() {
    if (exec() != Accepted) return std::nullopt;
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return files.front();
}

std::optional<QString> CMyFileDlg::askLoad(const QString& startFolder, int language,
                                           QWidget* parent) {
    CMyFileDlg dialog(Mode::Load, startFolder, language, parent);
    return dialog.choose();
}

std::optional<QString> CMyFileDlg::askSave(const QString& startFolder, int language,
                                           QWidget* parent) {
    CMyFileDlg dialog(Mode::Save, startFolder, language, parent);
    return dialog.choose();
}

} // namespace quorvex::widgets
