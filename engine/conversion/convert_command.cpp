#include "engine/conversion/convert_command.h"

#include <cstdio>

#include "engine/conversion/conversion_texts.h"
#include "engine/conversion/file_identity.h"

namespace vox::conversion {
namespace {

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Names are UTF-8: cut whole characters, never a byte of one.
std::string withoutLastCharacters(const std::string& name, int characters) {
    std::size_t end = name.size();
    while (characters > 0 && end > 0) {
        --end;
        if ((static_cast<unsigned char>(name[end]) & 0xC0) != 0x80) --characters;
    }
    return name.substr(0, end);
}

const char* qualitySuffix(int quality) {
    if (quality == 0) return "_LP";
    if (quality == 2) return "_HQ";
    return "_SP";
}

}  // namespace

bool passesExtensionTest(const std::string& name, ConvertDirection direction) {
    const char* extension = direction == ConvertDirection::DvfToWav ? ".DVF" : ".WAV";
    return upperAscii(name).find(extension) != std::string::npos;
}

std::string destinationName(const std::string& name, ConvertDirection direction, int quality) {
    std::string result = withoutLastCharacters(name, 4);
    if (direction == ConvertDirection::WavToDvf) return result + qualitySuffix(quality) + ".DVF";
    return result + ".WAV";
}

std::string overwriteQuestion(const std::string& destinationPath) {
    const int length = std::snprintf(nullptr, 0, kOverwriteQuestionFormat, destinationPath.c_str());
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), kOverwriteQuestionFormat, destinationPath.c_str());
    text.pop_back();
    return text;
}

ConvertDecision decideConvert(const ConvertSelection& selection,
                              const std::function<bool(const std::string& path)>& fileExists) {
    ConvertDecision decision;
    if (selection.selectedNames.size() != 1) return decision;
    decision.action = ConvertDecision::Action::ShowMessage;
    if (selection.workerRunning) {
        decision.message = kConvertingNowText;
        return decision;
    }
    const std::string& name = selection.selectedNames.front();
    if (!passesExtensionTest(name, selection.direction)) {
        decision.message = kCannotConvertText;
        return decision;
    }
    decision.request.direction = selection.direction;
    decision.request.sourcePath = selection.workingDirectory + name;
    decision.request.destinationPath =
        selection.workingDirectory + destinationName(name, selection.direction, selection.quality);
    if (sameFile(decision.request.sourcePath, decision.request.destinationPath)) {
        decision.message =
            "\"" + decision.request.destinationPath + "\"" + kDestinationIsItsSourceText;
        return decision;
    }
    if (fileExists && fileExists(decision.request.destinationPath)) {
        decision.action = ConvertDecision::Action::AskOverwrite;
        decision.message = overwriteQuestion(decision.request.destinationPath);
    } else {
        decision.action = ConvertDecision::Action::Start;
    }
    return decision;
}

}  // namespace vox::conversion
