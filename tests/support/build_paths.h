// Where this build put the programs, libraries and files the tests use. Only
// build_paths.cpp knows the absolute paths, so every other test file compiles
// to the same object in any clone and the compiler cache shares it.
#pragma once

#include <QString>
#include <string>

namespace virn::test {

std::string BuildLibDir();  // the host libraries (lib/virn)
std::string BuildBinDir();  // the programs and the Help folder
std::string SourceDir();    // the clone's root
std::string TestBinDir();   // the test programs and their helpers (tests/)

// `relative` below one of the folders above, as a QString for Qt's calls.
QString InBuildBin(const QString& relative);
QString InBuildLib(const QString& relative);
QString InTestBin(const QString& relative);
QString InSource(const QString& relative);

}  // namespace virn::test
