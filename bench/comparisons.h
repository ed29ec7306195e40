#pragma once

#include <vector>

#include "paired_runs.h"

namespace md5z::bench {

// 268,435,455 bytes, the longest message the engine finishes, through
// MD5Update in calls of 32,767 bytes, against OpenSSL's EVP digest of the
// same bytes.
Comparison EngineThroughput();

// The window's digest handler on a full 30-character input, on a desktop that
// does nothing, against OpenSSL's one-shot digest of the 30 converted bytes.
Comparison ClickPath();

// md5zevrin-cli reading 300,000 lines of mixed text as plain text, as JSON
// and as one field, each against a plain loop that prints OpenSSL's one-shot
// MD5 of every line; and one start with one text against md5sum's.
std::vector<Comparison> CliRuns();

// Both sides of each comparison must compute the same digest before their
// times mean anything; each check exits with a message when they differ.
void CheckEngineAgreesWithOpenSsl();
void CheckClickPathAgreesWithOpenSsl();
void CheckCliAgreesWithLineLoop();

}  // namespace md5z::bench
