#include "event_collector/Sdk.h"

#include <chrono>
#include <memory>

#include "event_collector/CurlSender.h"
#include "event_collector/RecordBuilder.h"
#include "event_collector/RecordQueue.h"
#include "event_collector/Validation.h"

namespace event_collector {

namespace {

std::int64_t SystemNowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The one client of the process. Its identity fields are read and written
// under the queue's records lock, so records may be built on any thread
// while another changes the identity.
struct Client {
    Client(const std::string& stagingFilePath, const std::string& serverUrl, std::string id, bool login)
        : distinctId(std::move(id)), isLoginId(login), queue(stagingFilePath, serverUrl) {
        superProperties.SetString("$lib", "cpp");
        superProperties.SetString("$lib_version", "0.7");
    }

    PropertiesNode superProperties;
    std::string distinctId;
    bool isLoginId;
    RecordQueue queue;
};

std::unique_ptr<Client> g_client;
// Set only while no client operation runs (like Init and Shutdown).
SendFunction g_send;
ClockFunction g_clock;

HttpResponse Send(const std::string& url, const std::string& body) { return g_send ? g_send(url, body) : CurlPost(url, body); }

std::int64_t Now() { return g_clock ? g_clock() : SystemNowMilliseconds(); }

void AddRecord(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
               const std::string* signupId = nullptr) {
    Client* client = g_client.get();
    if (!client) return;
    RecordInput input;
    input.type = type;
    input.eventName = eventName;
    input.properties = &properties;
    input.nowMilliseconds = Now();
    PropertiesNode superProperties;
    {
        std::lock_guard lock(client->queue.RecordsLock());
        superProperties = client->superProperties;
        input.isLoginId = client->isLoginId;
        if (signupId) {
            input.distinctId = *signupId;
            input.originalId = client->distinctId;
        } else {
            input.distinctId = client->distinctId;
        }
    }
    input.superProperties = &superProperties;
    if (auto record = BuildRecord(input)) client->queue.Push(std::move(*record));
}

PropertiesNode OneProperty(const std::string& key, const std::string& value) {
    PropertiesNode properties;
    properties.SetString(key, value);
    return properties;
}
PropertiesNode OneProperty(const std::string& key, std::int32_t value) {
    PropertiesNode properties;
    properties.SetNumber(key, value);
    return properties;
}
PropertiesNode OneProperty(const std::string& key, double value) {
    PropertiesNode properties;
    properties.SetNumber(key, value);
    return properties;
}

}  // namespace

bool Sdk::Init(const std::string& stagingFilePath, const std::string& serverUrl, const std::string& distinctId,
               bool isLoginId) {
    if (!CheckIdentifier("Distinct ID", distinctId)) return false;
    if (!g_client) g_client = std::make_unique<Client>(stagingFilePath, serverUrl, distinctId, isLoginId);
    return true;
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
    if (!g_client) return;
    std::lock_guard lock(g_client->queue.RecordsLock());
    g_client->superProperties.Merge(properties);
}

void Sdk::SetDistinctId(const std::string& distinctId, bool isLoginId) {
    if (!g_client) return;
    // Every later record carries the id: keep the old identity rather than
    // take one that would make them all unreadable.
    if (!CheckIdentifierText("Distinct ID", distinctId)) return;
    std::lock_guard lock(g_client->queue.RecordsLock());
    g_client->distinctId = distinctId;
    g_client->isLoginId = isLoginId;
}

void Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
    AddRecord("track", eventName, properties);
}

void Sdk::TrackInstallation(const std::string& eventName, const PropertiesNode& properties) {
    PropertiesNode merged;
    merged.SetString("$ios_install_source", "");
    merged.Merge(properties);
    AddRecord("track", eventName, merged);
}

void Sdk::TrackSignup(const std::string& loginId) {
    if (!g_client) return;
    if (!CheckIdentifierText("Distinct ID", loginId)) return;
    // Held across both steps so no other record sees the old id after the signup record.
    std::lock_guard lock(g_client->queue.RecordsLock());
    AddRecord("track_signup", "$SignUp", PropertiesNode{}, &loginId);
    g_client->distinctId = loginId;
    g_client->isLoginId = true;
}

void Sdk::ProfileSet(const PropertiesNode& properties) { AddRecord("profile_set", "", properties); }
void Sdk::ProfileSet(const std::string& key, const std::string& value) { ProfileSet(OneProperty(key, value)); }
void Sdk::ProfileSet(const std::string& key, std::int32_t value) { ProfileSet(OneProperty(key, value)); }
void Sdk::ProfileSet(const std::string& key, double value) { ProfileSet(OneProperty(key, value)); }

void Sdk::ProfileSetOnce(const PropertiesNode& properties) { AddRecord("profile_set_once", "", properties); }
void Sdk::ProfileSetOnce(const std::string& key, const std::string& value) { ProfileSetOnce(OneProperty(key, value)); }
void Sdk::ProfileSetOnce(const std::string& key, std::int32_t value) { ProfileSetOnce(OneProperty(key, value)); }
void Sdk::ProfileSetOnce(const std::string& key, double value) { ProfileSetOnce(OneProperty(key, value)); }

void Sdk::ProfileIncrement(const PropertiesNode& properties) { AddRecord("profile_increment", "", properties); }
void Sdk::ProfileIncrement(const std::string& key, std::int32_t value) { ProfileIncrement(OneProperty(key, value)); }

void Sdk::ProfileAppend(const std::string& key, const std::string& value) {
    PropertiesNode properties;
    if (!properties.SetList(key, {value})) return;
    AddRecord("profile_append", "", properties);
}

bool Sdk::Flush() {
    if (!g_client) return false;
    return g_client->queue.Flush(&Send);
}

void Sdk::Shutdown() {
    if (!g_client) return;
    g_client->queue.SaveStagingFile();
    g_client.reset();
}

void Sdk::SetSendFunction(SendFunction send) { g_send = std::move(send); }
void Sdk::SetClock(ClockFunction clock) { g_clock = std::move(clock); }

std::size_t Sdk::QueuedCount() { return g_client ? g_client->queue.Size() : 0; }

}  // namespace event_collector
