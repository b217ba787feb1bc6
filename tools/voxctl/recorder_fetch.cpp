#include "tools/voxctl/recorder_fetch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/import/pc_placement.h"
#include "engine/rules/rule_texts.h"
#include "platform/files/exclusive_file.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

OwnFile::OwnFile(const std::string& target) {
    std::FILE* file = files::createBeside(target, path_);
    if (file == nullptr) throw CommandError(kExitPcFile, target + ": " + std::strerror(errno));
    std::fclose(file);
}

OwnFile::~OwnFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

void fetchInto(RecorderSession& session, rules::RecorderFolder folder, const std::string& shortName,
               const std::string& pcPath, const std::string& label) {
    if (InterruptGuard::interrupted()) throw CommandError(kExitCancelled, rules::texts::kCancelled);
    // The recorder reads names from the folder listed last.
    session.ensureListed(folder);
    session::SessionPlan plan;
    plan.direction = session::TransferFile::Direction::ToPc;
    session::SessionFile file;
    file.transfer = {session::TransferFile::Direction::ToPc, pcPath, shortName, {}};
    file.folder = folder;
    plan.files.push_back(std::move(file));
    runPlan(session.link(), std::move(plan), folder, label);
}

bool readsBackTheSame(RecorderSession& session, rules::RecorderFolder folder,
                      const std::string& shortName, const std::string& copy) {
    const OwnFile second(copy);
    fetchInto(session, folder, shortName, second.path(), "checking " + shortName);
    return importing::sameContent(copy, second.path());
}

}  // namespace vox::voxctl
