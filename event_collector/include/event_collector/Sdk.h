#pragma once
// The process-wide event-collection client.
//
// Sdk::Init creates the one client, Sdk::Shutdown saves what is unsent to the
// staging file and destroys it; no other operation may run during those two.
// Every other operation may be called from any thread and does nothing when
// there is no client. Records are checked, built as JSON, kept in a queue of
// at most 1024 (the oldest is dropped) and posted in gzip batches of at most
// 30 by Flush, on the calling thread. Diagnostics go to standard error.
//
// HTTPS: the collector's certificate is always verified. The environment
// variable QUORVANE_CA_BUNDLE names a PEM file of trusted authorities to use
// instead of the system's (tests point it at their own test authority).
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "event_collector/PropertiesNode.h"

namespace event_collector {

// One answer of the collector; status -1 when the transfer itself failed
// (the body then holds the transfer's error text).
struct HttpResponse {
    long status = -1;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// Posts `body` to `url` and returns the answer. Replaceable for tests.
using SendFunction = std::function<HttpResponse(const std::string& url, const std::string& body)>;
// Milliseconds since 1970 (UTC). Replaceable for tests.
using ClockFunction = std::function<std::int64_t()>;

class Sdk {
public:
    // Checks the distinct id (1 to 255 bytes); false and nothing created when
    // it is refused. True also when a client already exists (left unchanged).
    static bool Init(const std::string& stagingFilePath, const std::string& serverUrl,
                     const std::string& distinctId, bool isLoginId);

    static void RegisterSuperProperties(const PropertiesNode& properties);
    static void SetDistinctId(const std::string& distinctId, bool isLoginId);

    static void Track(const std::string& eventName, const PropertiesNode& properties);
    static void Track(const std::string& eventName) { Track(eventName, PropertiesNode{}); }
    static void TrackInstallation(const std::string& eventName, const PropertiesNode& properties);
    static void TrackSignup(const std::string& loginId);

    static void ProfileSet(const PropertiesNode& properties);
    static void ProfileSet(const std::string& key, const std::string& value);
    static void ProfileSet(const std::string& key, std::int32_t value);
    static void ProfileSet(const std::string& key, double value);
    static void ProfileSetOnce(const PropertiesNode& properties);
    static void ProfileSetOnce(const std::string& key, const std::string& value);
    static void ProfileSetOnce(const std::string& key, std::int32_t value);
    static void ProfileSetOnce(const std::string& key, double value);
    static void ProfileIncrement(const PropertiesNode& properties);
    static void ProfileIncrement(const std::string& key, std::int32_t value);
    static void ProfileAppend(const std::string& key, const std::string& value);

    // Sends batches until the queue is empty (true) or a send fails (false;
    // the rest stays queued). Loads the staging file first, once per client.
    static bool Flush();
    // Writes every queued record to the staging file and destroys the client.
    static void Shutdown();

    // Test hooks: replace the transport and the clock of clients created
    // afterwards (and of the current one). An empty function restores the default.
    static void SetSendFunction(SendFunction send);
    static void SetClock(ClockFunction clock);
    // Number of records waiting (0 without a client).
    static std::size_t QueuedCount();

    Sdk() = delete;
};

}  // namespace event_collector
