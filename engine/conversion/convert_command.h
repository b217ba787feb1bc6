#pragma once
// What the Convert command decides for a selection in the PC list, before
// any worker runs: whether it converts, the source and destination paths,
// and the message or question the user sees.

#include <functional>
#include <string>
#include <vector>

namespace vox::conversion {

enum class ConvertDirection { WavToDvf = 0, DvfToWav = 1 };

struct ConversionRequest {
    ConvertDirection direction = ConvertDirection::WavToDvf;
    std::string sourcePath;
    std::string destinationPath;
};

struct ConvertDecision {
    enum class Action {
        Ignore,        // not exactly one item selected
        ShowMessage,   // `message`, then stop
        AskOverwrite,  // ask `message` (Yes/No); on Yes start `request`
        Start,         // start the worker for `request`
    };
    Action action = Action::Ignore;
    std::string message;
    ConversionRequest request;
};

struct ConvertSelection {
    std::vector<std::string> selectedNames;  // as the PC list shows them
    std::string workingDirectory;            // ends with the path separator
    ConvertDirection direction = ConvertDirection::WavToDvf;
    int quality = 1;  // the Quality list's index
    bool workerRunning = false;
};

ConvertDecision decideConvert(const ConvertSelection& selection,
                              const std::function<bool(const std::string& path)>& fileExists);

// ".DVF" (DVF to WAV) or ".WAV" (WAV to DVF) anywhere in the upper-cased name.
bool passesExtensionTest(const std::string& name, ConvertDirection direction);

// The name without its last four characters, then "_LP", "_SP" or "_HQ" and
// ".DVF", or ".WAV".
std::string destinationName(const std::string& name, ConvertDirection direction, int quality);

std::string overwriteQuestion(const std::string& destinationPath);

}  // namespace vox::conversion
