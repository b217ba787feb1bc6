#pragma once
// Marks in a recording: places a listener wants to come back to, kept per
// recording in a small text file of our own in the state folder (never in
// the recording itself), one mark a line as milliseconds from the start.

#include <cstdint>
#include <string>
#include <vector>

namespace vox::playback {

class Marks {
  public:
    // The marks of the recording known by `identity` (its PC path, or the
    // recorder's name and size), kept in `folder`.
    Marks(std::string folder, const std::string& identity);

    // Reads the side file; a missing file is no marks. False on a file that
    // cannot be read.
    bool load();
    // Adds a mark (one already there is not added twice) and writes the side
    // file whole under a name of our own before it takes the old one's
    // place. False when it could not be written.
    bool add(std::uint64_t milliseconds);
    bool remove(std::uint64_t milliseconds);
    // In time order.
    const std::vector<std::uint64_t>& all() const { return marks_; }
    const std::string& file() const { return file_; }

  private:
    bool save() const;

    std::string folder_;
    std::string file_;
    std::vector<std::uint64_t> marks_;
};

// "[hh:mm:ss]", as transcripts quote a time.
std::string markText(std::uint64_t milliseconds);

}  // namespace vox::playback
