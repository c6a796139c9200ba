#pragma once
// The pauses and time limits of the engines. The defaults are the product's;
// tests shorten them so that retry budgets can be exercised quickly. Change
// them only while no engine is running.
namespace download {

struct DownloadTimings {
    int single_stream_retry_pause_ms = 500;  // between transfer attempts of the single-stream engine
    int range_retry_pause_ms = 400;          // between tries of one range
    int range_start_gap_ms = 100;            // between starting the range threads
    int range_wait_poll_ms = 200;            // how often the waiter looks at the ranges
    int moniker_retry_pause_ms = 1000;       // between tries of the system download service
    long range_low_speed_time_s = 5;         // a range slower than 1 byte/s for this long is cut
    long connect_timeout_s = 60;
    long stream_low_speed_time_s = 60;       // the same for probes and single-stream transfers
};

DownloadTimings& TheDownloadTimings();

}  // namespace download
