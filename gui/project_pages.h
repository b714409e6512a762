#pragma once
// The maker's pages behind Homepage, Support and the advertisement bar, and the help pages
// shipped with the program.
#include <QString>

namespace ferrow {

QString HomepageUrl();
QString SupportUrl();
// The help's start page in the program folder ("help/index.html"); empty when it is missing.
QString HelpIndexPath();

}  // namespace ferrow
