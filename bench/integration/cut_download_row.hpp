#pragma once
// A 30 MB download cut at 90% by the simulator and fetched again by vzed's engine: the bytes the
// simulator sent for it over the file's size, the median of `rounds` rounds, as a target line.
namespace vz::bench {

void ReportCutDownload(int rounds);

}  // namespace vz::bench
