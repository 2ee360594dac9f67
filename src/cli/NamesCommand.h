// tandrel-cli names: which Set.xml the tool reads, what it finds there, and what will surprise.
#pragma once

#include "CliContext.h"
#include "NameTables.h"

#include <string>
#include <vector>

namespace tandrel::cli {

// Plain sentences about a listing, for people and for JSON alike.
std::vector<std::string> setXmlWarnings(const SetXmlListing& listing);

ExitCode runNames(CliContext& ctx, const SetXmlLocator& locator, bool json);

} // namespace tandrel::cli
