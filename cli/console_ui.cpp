#include "cli/console_ui.h"

#include "cli/cli_texts.h"
#include "cli/terminal.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace quorvex::cli {

ConsoleUi::ConsoleUi(int language) : language_(language), isTerminal_(isTerminal(stdout)) {}

void ConsoleUi::message(int textId) {
    messageWithTail(textId, "");
}

void ConsoleUi::messageWithTail(int textId, const std::string& tail) {
    std::string text = tableText(textId, language_) + tail;
    ids_.push_back(textId);
    messages_.push_back(text);
    if (muted_) return;
    if (progressOpen_ && progressShown_) std::fputc('\n', stdout), std::fflush(stdout);
    std::fprintf(stderr, "quorvex-cli: %s\n", text.c_str());
}

bool ConsoleUi::askYesNo(int textId) {
    ids_.push_back(textId);
    messages_.push_back(tableText(textId, language_));
    return yesNo_;
}

void ConsoleUi::progressOpen(int textId, const std::string& suffix, int range) {
    progressLabel_ = tableText(textId, language_) + (suffix.empty() ? "" : " " + suffix);
    range_ = std::max(range, 1);
    position_ = 0;
    progressOpen_ = true;
    if (startLine_) {
        std::printf("%s\n", progressLabel_.c_str());
        std::fflush(stdout);
    }
    drawProgress();
}

void ConsoleUi::progressText(int textId) {
    progressLabel_ = tableText(textId, language_);
    drawProgress();
}

void ConsoleUi::progressPosition(int position) {
    position_ = std::clamp(position, 0, range_);
    drawProgress();
}

void ConsoleUi::progressClose() {
    if (progressOpen_ && progressShown_) {
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    progressOpen_ = false;
}

void ConsoleUi::drawProgress() {
    if (!progressShown_ || !progressOpen_) return;
    constexpr int kWidth = 30;
    constexpr std::size_t kLabelWidth = 50; // characters
    int filled = static_cast<int>(static_cast<long long>(position_) * kWidth / range_);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::printf("\r%s [%s] %3d%%",
                column(cutToWidth(progressLabel_, kLabelWidth), kLabelWidth).c_str(), bar.c_str(),
                static_cast<int>(static_cast<long long>(position_) * 100 / range_));
    std::fflush(stdout);
}

void ConsoleUi::reportWriteFailures(const core::WriteReport& report) {
    failures_.merge(report);
    if (muted_) return;
    // One line per failure: the file (or key) and the reason.
    const std::string lines = report.describe();
    std::size_t from = 0;
    while (from < lines.size()) {
        const std::size_t end = lines.find('\n', from);
        std::fprintf(stderr, "quorvex-cli: %s\n", lines.substr(from, end - from).c_str());
        if (end == std::string::npos) break;
        from = end + 1;
    }
}

} // namespace quorvex::cli
