// For documentation: photographs the jobs at work (a split on its Working page, the join
// list holding parts of two runs). Part of the screenshot tour.
#pragma once

#include <QString>

namespace zendra {

class TForm1;

// Splits the open movie twice below its own folder and lists both runs for joining.
void PhotographJobs(TForm1& form, const QString& folder);

}  // namespace zendra
