#include "maintenance/upgrade_dlg.h"

#include "core/config_app.h"
#include "core/page_items.h"
#include "ui/accessibility.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvex::widgets {

using namespace quorvex::maintenance;

namespace {

constexpr int kBeforeText = 6164;  // "Before you start, please check for an UPGRADE file."
constexpr int kCautionText = 6166; // "Caution: For advanced users only!"
constexpr int kUpgradeText = 6168; // "Upgrade the modem"
constexpr int kExitText = 6170;    // "Exit"
constexpr int kDeviceHeading = 6198;
constexpr int kFileHeading = 6200;
constexpr int kInstallText = 6296; // "Install Upgrade"
constexpr int kCancelText = 6160;  // "Cancel"

constexpr int kWidth = 440;
constexpr int kHeight = 300;
constexpr int kHelpSize = 15;

QString upgradeLabel(int id, int language) {
    return labelText(upgradeText(id, language));
}

QLabel* textLabel(QWidget* parent, const QString& text, const QRect& at, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(at);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

// ---- Firmware Info ----

CFirmwareInfoDlg::CFirmwareInfoDlg(const FirmwareComparison& comparison, int language,
                                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CFirmwareInfoDlg"));
    setWindowTitle(upgradeLabel(kTextFirmwareInfo, language));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    const struct {
        int heading;
        bool file;
    } blocks[] = {{kDeviceHeading, false}, {kFileHeading, true}};
    for (const auto& block : blocks) {
        auto* heading = new QLabel(labelText(block.heading, language), this);
        heading->setTextFormat(Qt::PlainText);
        heading->setObjectName(QString::number(block.heading));
        QFont f = heading->font();
        f.setBold(true);
        heading->setFont(f);
        layout->addWidget(heading);
        for (int line = 0; line < 3; ++line) {
            auto* text = new QLabel(
                QString::fromStdString(comparisonLine(comparison, block.file, line, language)),
                this);
            text->setTextFormat(Qt::PlainText);
            text->setObjectName(
                QStringLiteral("%1line%2").arg(block.file ? "file" : "device").arg(line));
            text->setContentsMargins(16, 0, 0, 0);
            layout->addWidget(text);
        }
        layout->addSpacing(10);
    }
    auto* buttons = new QHBoxLayout;
    auto* install = new QPushButton(tableText(kInstallText, language), this);
    install->setObjectName(QString::number(kInstall));
    auto* cancel = new QPushButton(tableText(kCancelText, language), this);
    cancel->setObjectName(QString::number(kCancel));
    cancel->setDefault(true); // nothing is installed by pressing Enter alone
    connect(install, &QPushButton::clicked, this, [this] { done(kInstall); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(kCancel); });
    buttons->addStretch();
    buttons->addWidget(install);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addStrut(280); // room for long version texts
}

int CFirmwareInfoDlg::ask() {
    return exec() == kInstall ? kInstall : kCancel;
}

// ---- Installing an upgrade ----

CUpgradeDlg::CUpgradeDlg(core::CConfigApp& app, UpgradeHost& host, QWidget* parent)
    : QDialog(parent), app_(app), upgrade_(app, *this, host, [] {
          QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      }) {
    setObjectName(QStringLiteral("CUpgradeDlg"));
    const int language = app_.language;
    setWindowTitle(labelText(kTitle, language));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    setFont(dialogFont(app_.largeFonts));
    setFixedSize(kWidth, kHeight);

    textLabel(this, labelText(kBeforeText, language), QRect(16, 14, kWidth - 32, 18))
        ->setObjectName(QString::number(kBeforeText));
    QLabel* caution =
        textLabel(this, labelText(kCautionText, language), QRect(16, 34, kWidth - 32, 18), true);
    caution->setObjectName(QString::number(kCautionText));
    setTextColour(caution, QColor(192, 0, 0));

    // Nine chips in a row.
    constexpr int kChip = 32;
    constexpr int kChipGap = 12;
    const int rowWidth = kChipCount * kChip + (kChipCount - 1) * kChipGap;
    for (int i = 0; i < kChipCount; ++i) {
        auto* chip = new CPicture(QStringLiteral("upgrade_chip.svg"), {kChip, kChip}, this);
        chip->setObjectName(QString::number(kFirstChip + i)); // decoration
        chip->setGeometry((kWidth - rowWidth) / 2 + i * (kChip + kChipGap), 64, kChip, kChip);
    }

    QLabel* header =
        textLabel(this, QString::fromStdString(upgrade_.header()), QRect(16, 108, kWidth - 32, 18));
    header->setObjectName(QString::number(kHeaderControl));

    upgradeButton_ = new QPushButton(tableText(kUpgradeText, language), this);
    upgradeButton_->setObjectName(QString::number(kUpgradeButton));
    upgradeButton_->setGeometry(kWidth / 2 - 170, 140, 160, 26);
    connect(upgradeButton_, &QPushButton::clicked, this, &CUpgradeDlg::startUpgrade);
    exitButton_ = new QPushButton(tableText(kExitText, language), this);
    exitButton_->setObjectName(QString::number(kExitButton));
    exitButton_->setGeometry(kWidth / 2 + 10, 140, 160, 26);
    exitButton_->setDefault(true);
    connect(exitButton_, &QPushButton::clicked, this, &CUpgradeDlg::reject);

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("progressPanel"));
    panel_->setGeometry(16, 184, kWidth - 32, 60);
    caption_ = textLabel(panel_, QString(), QRect(0, 0, kWidth - 32, 18));
    caption_->setObjectName(QStringLiteral("progressCaption"));
    bar_ = new QProgressBar(panel_);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setGeometry(0, 24, kWidth - 32, 20);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    panel_->hide();

    auto* help = new QToolButton(this);
    help->setObjectName(QStringLiteral("57670"));
    help->setText(QStringLiteral("?"));
    help->setFont(pixelFont(10, true));
    help->setFocusPolicy(Qt::TabFocus);
    help->setAccessibleName(PageWidget::helpName(language));
    help->setToolTip(help->accessibleName());
    help->setGeometry(kWidth - 8 - kHelpSize, kHeight - 6 - kHelpSize, kHelpSize, kHelpSize);
    connect(help, &QToolButton::clicked, this, [this] {
        CInfoDlg dlg(kHelpBody, kTitle, app_.language, beepFor(app_.soundOn), this);
        dlg.exec();
    });
    growToTexts(this);
}

CUpgradeDlg::~CUpgradeDlg() = default;

void CUpgradeDlg::startUpgrade() {
    if (running_) return;
    running_ = true;
    upgradeButton_->setEnabled(false);
    exitButton_->setEnabled(false);
    const UpgradeEnd end = upgrade_.run();
    running_ = false;
    upgradeButton_->setEnabled(true);
    exitButton_->setEnabled(true);
    if (end == UpgradeEnd::NotStarted) return; // the reason was shown: another try is possible
    done(FirmwareUpgrade::dialogResult(end));
}

void CUpgradeDlg::reject() {
    if (running_) return; // the transfer cannot be stopped half-way
    done(2);
}

void CUpgradeDlg::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

QString CUpgradeDlg::qtFilter(const std::string& windowsFilter) {
    const QStringList parts = QString::fromStdString(windowsFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString& patterns = parts[i + 1];
        if (name.isEmpty() || patterns.isEmpty()) break; // the closing "||"
        QString pattern = patterns;
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << (name.contains(QLatin1Char('('))
                        ? name
                        : name + QStringLiteral(" (") + pattern + QStringLiteral(")"));
    }
    return filters.join(QStringLiteral(";;"));
}

// ---- UpgradeUi ----

std::optional<std::string> CUpgradeDlg::askFirmwareFile(const FileDialogSpec& spec) {
    return chooser_ ? chooser_(spec) : fileDialog(spec);
}

std::optional<std::string> CUpgradeDlg::fileDialog(const FileDialogSpec& spec) {
    QFileDialog dlg(this, labelText(kTitle, app_.language));
    dlg.setObjectName(QStringLiteral("firmwareFileDialog"));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(qtFilter(spec.filter));
    // A pattern ("r?0") is a filter, not an extension to add to a typed name.
    const QString ext = QString::fromStdString(spec.defaultExtension);
    if (!ext.contains(QLatin1Char('?')) && !ext.contains(QLatin1Char('*')))
        dlg.setDefaultSuffix(ext);
    if (!app_.programDir.empty()) dlg.setDirectory(QString::fromStdString(app_.programDir));
    // The name field starts with the pattern of the model's files ("*.r70").
    dlg.selectFile(QString::fromStdString(spec.initialName));
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front().toStdString();
}

bool CUpgradeDlg::confirmFirmware(const FirmwareComparison& comparison) {
    CFirmwareInfoDlg dlg(comparison, app_.language, this);
    return dlg.ask() == CFirmwareInfoDlg::kInstall;
}

void CUpgradeDlg::message(int textId) {
    showMessage(this, upgradeLabel(textId, app_.language));
}

void CUpgradeDlg::unconfirmedSettings(const std::vector<std::string>& items) {
    showMessage(this, labelText(kTextUnreadSettings, app_.language) + QStringLiteral("\n\n") +
                          QString::fromStdString(core::listItems(items)) + QStringLiteral("\n") +
                          labelText(kTextUnreadNotStarted, app_.language));
}

void CUpgradeDlg::beep() {
    systemBeep();
}

void CUpgradeDlg::showProgressPanel(bool shown) {
    panel_->setVisible(shown);
    repaint();
}

void CUpgradeDlg::progressCaption(int textId) {
    caption_->setText(upgradeLabel(textId, app_.language));
}

void CUpgradeDlg::progressRange(int maximum) {
    bar_->setRange(0, std::max(1, maximum));
}

void CUpgradeDlg::progressPosition(int position) {
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

} // namespace quorvex::widgets
