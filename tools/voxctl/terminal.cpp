#include "tools/voxctl/terminal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <streambuf>

#include "engine/rules/size_text.h"

namespace vox::voxctl {

using std::chrono::steady_clock;

namespace {

int resultsDescriptor = STDOUT_FILENO;

// An unbuffered stream buffer over a file descriptor.
class DescriptorBuffer final : public std::streambuf {
  public:
    explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) {}

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        std::streamsize written = 0;
        while (written < count) {
            const ssize_t done =
                ::write(descriptor_, data + written, static_cast<std::size_t>(count - written));
            if (done <= 0) break;
            written += done;
        }
        return written;
    }

  private:
    int descriptor_;
};

}  // namespace

void reserveStdoutForResults() {
    std::fflush(stdout);
    resultsDescriptor = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (resultsDescriptor < 0) {
        resultsDescriptor = STDOUT_FILENO;
        return;
    }
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere >= 0) {
        dup2(nowhere, STDOUT_FILENO);
        close(nowhere);
    }
    // Never destroyed: std::cout is flushed after static objects are gone.
    static DescriptorBuffer* const results = new DescriptorBuffer(resultsDescriptor);
    std::cout.rdbuf(results);
}

void showDiagnostics() {
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
}

void silenceResults() {
    std::cout.flush();
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere < 0) return;
    dup2(nowhere, resultsDescriptor);
    close(nowhere);
}

bool stdoutIsTerminal() {
    return isatty(resultsDescriptor) == 1;
}

bool askYesNo(const std::string& question) {
    if (!stdoutIsTerminal() || isatty(STDIN_FILENO) != 1) return false;
    std::cout << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), shown_(stdoutIsTerminal()) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::start(std::uint64_t totalBytes) {
    total_ = totalBytes;
    started_ = steady_clock::now();
    lastDrawn_ = {};
    update(0);
}

void ProgressBar::update(std::uint64_t doneBytes) {
    if (!shown_) return;
    const auto now = steady_clock::now();
    if (doneBytes < total_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const int percent = total_ == 0 ? 100 : static_cast<int>(doneBytes * 100 / total_);
    std::string figures = std::to_string(percent) + "% " + rules::sizeText(doneBytes) + " of " +
                          rules::sizeText(total_);
    if (seconds > 0.2 && doneBytes > 0) {
        const double rate = static_cast<double>(doneBytes) / seconds;
        const auto left = static_cast<long>(static_cast<double>(total_ - doneBytes) / rate);
        char timeLeft[32];
        std::snprintf(timeLeft, sizeof timeLeft, "%ld:%02ld left", left / 60, left % 60);
        figures += "  " + rules::sizeText(static_cast<std::uint64_t>(rate)) + "/s  " + timeLeft;
    }
    draw(figures);
}

void ProgressBar::updatePercent(int percent) {
    if (shown_) draw(std::to_string(percent) + "%");
}

void ProgressBar::draw(const std::string& figures) {
    // Carriage return and erase-to-end-of-line redraw the bar in place.
    std::cout << '\r' << label_ << "  " << figures << "\x1b[K" << std::flush;
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) std::cout << '\n' << std::flush;
    drawn_ = false;
    shown_ = false;
}

}  // namespace vox::voxctl
