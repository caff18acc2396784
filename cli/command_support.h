// What every subcommand shares: how it reports a failure and how it opens
// the volume it works on.
#pragma once

#include <memory>
#include <string>

#include "storage/filtered_volume.h"

// "morvane: SUBJECT: REASON" on stderr.
void ReportFailure(const std::string& subject, const std::string& reason);

// The calling thread's last error, as a phrase.
std::string LastErrorText();

// The backing directory as a volume with the filter above it; null after
// reporting why not.
std::unique_ptr<FilteredVolume> OpenVolume(const std::string& backing);

// The help text of the BACKING argument of the subcommands that work on a volume.
constexpr const char* kBackingHelp = "the backing directory: the volume's files as stored";
