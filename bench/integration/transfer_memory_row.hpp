#pragma once
// vzed's peak resident memory (VmHWM) after a work queue and download of 40 dictations, with 1, 4
// and 16 transfers in flight: the growth over one transfer, the median of `rounds` rounds, as a
// target line. The transfers, not the queue's length, are what may add to it.
namespace vz::bench {

void ReportTransferMemory(int rounds);

}  // namespace vz::bench
