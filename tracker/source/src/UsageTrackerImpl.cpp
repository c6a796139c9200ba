#include "UsageTrackerImpl.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "NativeUserTracker.h"
#include "QxEventProperties.h"
#include "QxException.h"
#include "QxLocationTime.h"
#include "QxSystemInfo.h"
#include "QxText.h"
#include "event_collector/Sdk.h"
#include "platform/profile.h"

namespace tessavon::tracking {
namespace fs = std::filesystem;
using event_collector::Sdk;

namespace {

constexpr const char* kFile = "UsageTrackerImpl";
constexpr const char* kDefaultServerUrl = "https://analytics.tessavon.example/sa?project=pc";
constexpr const char* kInstallSource = "xdvbinh_bw=241##qglq=9553##nia=819";
// Settings values are read back through a buffer large enough for any URL,
// account id or path we write: a value cut short on reading would never
// match the collector URL again and cost the device its identity at every start.
constexpr std::size_t kSettingsBuffer = 2048;
constexpr int kFlushAttempts = 3;

std::string ReadSetting(const fs::path& file, const char* section, const char* key) {
    return platform::GetProfileString(file, section, key, "", kSettingsBuffer);
}

void WriteSetting(const fs::path& file, const char* section, const char* key, const std::string& value) {
    platform::WriteProfileString(file, section, key, value);
}

void CreateFolders(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);  // not checked: the tracker works on without its files
}

}  // namespace

struct UsageTrackerImpl::State {
    bool isLogined = false;
    std::string userId;
    std::string distinctId;
    std::int32_t userVipLevel = 0;
    std::string logPath;
    std::string locale;
    std::string localDir;
    std::string configIni;
    std::string url;
    std::atomic<std::int32_t> pending{0};
    // Guards the identity and locale against a sign-in or locale change on
    // another thread; reports that only send records never take it.
    mutable std::mutex mutex;
};

UsageTrackerImpl::UsageTrackerImpl(const UsageTrackerConfig& config)
    : serverUrl_(ToUtf8Text(config.serverUrl)),
      appName_(ToUtf8Text(config.appName)),
      appVersion_(ToUtf8Text(config.appVersion)),
      appStore_(ToUtf8Text(config.appStore)),
      dlAppId_(ToUtf8Text(config.dlAppId)),
      dlAppVersion_(ToUtf8Text(config.dlAppVersion)),
      edition_(config.edition),
      state_(std::make_unique<State>()) {
    state_->logPath = ToUtf8Text(config.logFilePath);
}

UsageTrackerImpl::~UsageTrackerImpl() {
    try {
        SaveSettings();
        if (state_->pending.load() > 0) {
            for (int attempt = 0; attempt < kFlushAttempts; ++attempt) {
                if (Sdk::Flush()) {
                    state_->pending.store(0);
                    break;
                }
            }
        }
        // Only the tracker that started the client may end it.
        if (clientStarted_) Sdk::Shutdown();
    } catch (...) {
        // Leaving the program must not fail because analytics could not say goodbye.
    }
    state_.reset();
    if (logger_) logger_->close();
    logger_.reset();
}

void UsageTrackerImpl::init() {
    if (appName_.empty()) QX_THROW(kFile, "init", "appName is empty");
    if (appVersion_.empty()) QX_THROW(kFile, "init", "appVersion is empty");
    if (appStore_.empty()) QX_THROW(kFile, "init", "appStore is empty");
    state_->pending.store(0);

    FindSettingsFile();
    if (serverUrl_.empty()) serverUrl_ = kDefaultServerUrl;
    LoadIdentity();
    bool renewed = false;
    {
        std::lock_guard lock(state_->mutex);
        // The identity belongs to the collector it was reported to: another
        // collector starts a fresh, signed-out identity.
        if (state_->url != serverUrl_ || state_->distinctId.empty()) {
            state_->userId.clear();
            state_->isLogined = false;
            state_->distinctId = NewDistinctId();
            state_->url = serverUrl_;
            renewed = true;
        }
        if (state_->userId.empty()) state_->isLogined = false;
    }
    if (renewed) SaveSettings();

    if (state_->logPath.empty()) state_->logPath = (fs::path(state_->localDir) / (appName_ + "_QXSLog.txt")).string();
    logger_ = std::make_unique<NativeTrackLogger>();
    logger_->open(state_->logPath);

    const bool asLogin = state_->isLogined;
    const std::string id = asLogin ? state_->userId : state_->distinctId;
    if (!Sdk::Init(stagingFilePath(), serverUrl_, id, asLogin))
        QX_THROW(kFile, "init", "event_collector::Sdk::Init is failed");
    clientStarted_ = true;

    Sdk::RegisterSuperProperties(CommonProperties());

    WriteSetting(state_->configIni, "UninstallInfo", "AppStore", appStore_);
    WriteSetting(state_->configIni, "UninstallInfo", "AppName", appName_);
    WriteSetting(state_->configIni, "UninstallInfo", "AppVersion", appVersion_);
}

void UsageTrackerImpl::FindSettingsFile() {
    // The product's own settings may name the analytics settings file.
    std::string candidate;
    const std::string productSettings = ProductSettingsFile();
    if (!productSettings.empty())
        candidate = platform::GetProfileString(productSettings, "Install", "QXUsageAnalyticsIni", "", kSettingsBuffer);

    const fs::path candidatePath(candidate);
    if (candidate.empty() || !candidatePath.has_parent_path()) {
        const fs::path localDir = fs::path(AnalyticsBaseFolder()) / "QXLocal" / appName_;
        CreateFolders(localDir);
        state_->localDir = localDir.string() + static_cast<char>(fs::path::preferred_separator);
        state_->configIni = (localDir / (appName_ + "_QXSConfigure.ini")).string();
    } else {
        const fs::path localDir = candidatePath.parent_path();
        CreateFolders(localDir);
        state_->localDir = localDir.string() + static_cast<char>(fs::path::preferred_separator);
        state_->configIni = candidatePath.string();
    }
}

void UsageTrackerImpl::LoadIdentity() {
    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    s.userId.clear();
    s.distinctId.clear();
    s.isLogined = false;
    s.url.clear();
    std::error_code error;
    if (fs::exists(s.configIni, error)) {
        s.distinctId = ReadSetting(s.configIni, "Base", "DistinctId");
        s.userId = ReadSetting(s.configIni, "Base", "UserId");
        s.userVipLevel = platform::GetProfileInt(s.configIni, "Base", "UserVipLevel", 0);
        s.isLogined = ReadSetting(s.configIni, "Base", "isLogined") == "OK";
        s.url = ReadSetting(s.configIni, "Base", "URL");
    }
    // An identity without id is replaced by init() right after, together
    // with the collector URL, so it is saved once there.
}

void UsageTrackerImpl::SaveSettings() {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    const State& s = *state_;
    if (s.configIni.empty()) return;  // initialisation never got as far as finding the file
    WriteSetting(s.configIni, "Base", "DistinctId", s.distinctId);
    WriteSetting(s.configIni, "Base", "UserId", s.userId);
    WriteSetting(s.configIni, "Base", "UserVipLevel", std::to_string(s.userVipLevel));
    WriteSetting(s.configIni, "Base", "URL", s.url);
    WriteSetting(s.configIni, "Base", "isLogined", s.isLogined ? "OK" : "NG");
}

event_collector::PropertiesNode UsageTrackerImpl::CommonProperties() {
    PropertiesNode props;
    props.SetString("qx_app_id", appName_);
    props.SetString("$app_version", appVersion_);
    props.SetString("$app_id", appName_);
    props.SetString("qx_app_store", appStore_);
    props.SetString("qx_edition", toString(edition_));
    if (!dlAppId_.empty()) props.SetString("qx_dlapp_id", dlAppId_);
    if (!dlAppVersion_.empty()) props.SetString("qx_dlapp_version", dlAppVersion_);
    props.SetString("qx_app_platform", "Windows");
    props.SetString("qx_track_type", "Client");
    props.SetString("qx_sdk_version", "3.3.4");
    props.SetString("qx_sdk", "WindowsCPP");
    props.SetString("$os", "Windows");
    props.SetString("$os_version", CurrentWindowsVersionName());
    std::string userId;
    QxLocale locale;
    {
        std::lock_guard lock(state_->mutex);
        locale = LocaleTriple(state_->locale);
        userId = state_->userId;
    }
    props.SetString("qx_l10n_locale", locale.locale);
    props.SetString("qx_l10n_language", locale.language);
    props.SetString("qx_l10n_country", locale.country);
    props.SetNumber("$screen_height", ScreenHeight());
    props.SetNumber("$screen_width", ScreenWidth());
    if (!userId.empty()) props.SetString("qx_user_id", userId);
    return props;
}

std::string UsageTrackerImpl::settingsFilePath() const {
    std::lock_guard lock(state_->mutex);
    return state_->configIni;
}

std::string UsageTrackerImpl::stagingFilePath() const {
    std::lock_guard lock(state_->mutex);
    // A file of its own in the local folder, so records staged at exit are
    // really kept until the next run.
    if (state_->localDir.empty()) return {};
    return (fs::path(state_->localDir) / (appName_ + "_QXSStaging.txt")).string();
}

std::string UsageTrackerImpl::distinctId() const {
    std::lock_guard lock(state_->mutex);
    return state_->distinctId;
}

void UsageTrackerImpl::Send(const char* eventName, PropertiesNode props, QxEventType kind,
                            const QxContextProperties* context) {
    if (context != nullptr) {
        for (const auto& entry : context->getEventProperties(KindValue(kind)))
            props.SetString(entry.name, *entry.value);
    }
    Sdk::Track(eventName, props);
}

void UsageTrackerImpl::FlushNow() {
    for (int attempt = 0; attempt < kFlushAttempts; ++attempt) {
        if (Sdk::Flush()) {
            state_->pending.store(0);
            return;
        }
    }
}

void UsageTrackerImpl::Defer() {
    state_->pending.fetch_add(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void UsageTrackerImpl::SetVisitDates() {
    const std::int64_t now = QxLocationTime::GetTrackTime();
    NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_first_visit_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_last_visit_date", now);
}

void UsageTrackerImpl::trackActivity(const QxContextProperties& context) {
    // The caller's context goes in first: the activity's own facts win.
    PropertiesNode props;
    for (const auto& entry : context.getEventProperties(KindValue(QxEventType::Activity)))
        props.SetString(entry.name, *entry.value);
    if (!appStore_.empty()) props.SetString("qx_app_store", appStore_);
    if (!appName_.empty()) {
        props.SetString("qx_app_id", appName_);
        props.SetString("$app_id", appName_);
    }
    if (!appVersion_.empty()) props.SetString("$app_version", appVersion_);
    props.SetString("$ios_install_source", kInstallSource);
    const std::string versionName = CurrentWindowsVersionName();
    const std::string agent = UserAgent(versionName, IsSystem64Bit());
    if (!agent.empty()) props.SetString("$user_agent", agent);
    props.SetBool("$is_first_time", true);
    props.SetString("$os", "Windows");
    props.SetString("$os_version", versionName);
    Sdk::TrackInstallation(kEventActivity, props);

    SetVisitDates();
    NativeUserTracker::ProfileUserPropertyString("qx_os", "Windows");
    NativeUserTracker::ProfileUserPropertyString("qx_os_version", versionName);
    NativeUserTracker::ProfileUserPropertyString("qx_app_store", appStore_);
    NativeUserTracker::ProfileUserPropertyString("qx_app_platform", "Windows");
    NativeUserTracker::ProfileUserPropertyString("qx_last_app_id", appName_);
    NativeUserTracker::ProfileUserPropertyString("qx_last_app_version", appVersion_);
    NativeUserTracker::ProfileUserPropertyString("$ios_install_source", kInstallSource);
    FlushNow();
}

void UsageTrackerImpl::trackLaunch(const QxContextProperties& context) {
    Send(kEventLaunch, PropertiesNode{}, QxEventType::PaLaunchPal, &context);
    bool signedIn;
    {
        std::lock_guard lock(state_->mutex);
        signedIn = !state_->userId.empty();
    }
    if (signedIn) SetVisitDates();
    FlushNow();
}

void UsageTrackerImpl::trackLogin(const QxEventLogin& user, bool success, const std::string& reason,
                                  const QxContextProperties& context) {
    Send(kEventLogin, LoginProperties(user, success, reason), QxEventType::Login, &context);
    if (!user.userId.empty()) {
        bool signUp = false;
        {
            std::lock_guard lock(state_->mutex);
            State& s = *state_;
            s.userVipLevel = user.vipLevel;
            // The first account to sign in becomes the identity for good; a
            // later, different account changes nothing of it.
            if (!s.isLogined || s.userId.empty()) {
                signUp = true;
                s.isLogined = true;
                s.userId = user.userId;
                s.distinctId = user.userId;
            }
        }
        if (signUp) {
            Sdk::TrackSignup(user.userId);
            Sdk::SetDistinctId(user.userId, true);
            PropertiesNode userProperty;
            userProperty.SetString("qx_user_id", user.userId);
            Sdk::RegisterSuperProperties(userProperty);
        }
        SaveSettings();
        TrackUserLoginProperty(user);
    }
    FlushNow();
}

void UsageTrackerImpl::TrackUserLoginProperty(const QxEventLogin& user) {
    using U = NativeUserTracker;
    U::ProfileUserPropertyString("qx_user_id", user.userId);
    U::ProfileUserPropertyString("qx_user_name", user.userName);
    U::ProfileUserPropertyNumber("qx_user_type", static_cast<std::int32_t>(user.userType));
    const std::pair<const char*, const std::string*> details[] = {
        {"qx_user_nickname", &user.nickname}, {"qx_user_portrait", &user.portrait},
        {"qx_user_mobilephone", &user.mobilephone}, {"qx_user_email", &user.email},
        {"qx_user_weixin", &user.weixin}, {"qx_user_qq", &user.qq}, {"qx_user_did", &user.did}};
    for (const auto& [name, value] : details)
        if (!value->empty()) U::ProfileUserPropertyString(name, *value);
    if (user.created > 0) U::ProfileUserPropertyDateTime("qx_user_created", user.created * 1000);
    if (!user.lastIp.empty()) U::ProfileUserPropertyString("qx_user_last_ip", user.lastIp);
    if (user.lastLogin > 0) U::ProfileUserPropertyDateTime("qx_user_last_login", user.lastLogin * 1000);
    U::ProfileUserPropertyNumber("qx_user_vip_level", user.vipLevel);
    if (user.vipEnddate > 0) U::ProfileUserPropertyDateTime("qx_user_vip_enddate", user.vipEnddate * 1000);
    SetVisitDates();
}

void UsageTrackerImpl::trackClick(const QxEventClick& event, const QxContextProperties& context) {
    Send(kEventClick, ClickProperties(event), QxEventType::Click, &context);
    Defer();
}

void UsageTrackerImpl::trackView(const QxEventView& event, const QxContextProperties& context) {
    Send(kEventView, ViewProperties(event), QxEventType::View, &context);
    Defer();
}

void UsageTrackerImpl::trackCashier(const QxEventCashier& event, const QxContextProperties& context) {
    Send(kEventCashier, CashierProperties(event), QxEventType::Cashier, &context);
    Defer();
}

void UsageTrackerImpl::trackShare(const QxEventShare& event, const QxContextProperties& context) {
    Send(kEventShare, ShareProperties(event), QxEventType::Share, &context);
    Defer();
}

void UsageTrackerImpl::trackTask(const QxEventTask& event, const QxContextProperties& context) {
    Send(kEventTask, TaskProperties(event), QxEventType::Task, &context);
    Defer();
}

void UsageTrackerImpl::trackFile(const QxEventFile& event, const QxContextProperties& context) {
    Send(kEventFile, FileProperties(event), QxEventType::File, &context);
    Defer();
}

void UsageTrackerImpl::trackOrder(const QxEventOrder& event, const QxContextProperties& context) {
    Send(kEventOrder, OrderProperties(event), QxEventType::Order, &context);
    Defer();
}

void UsageTrackerImpl::trackPayment(const QxEventPayment& event, const QxContextProperties& context) {
    Send(kEventPayment, PaymentProperties(event), QxEventType::Payment, &context);
    NativeUserTracker::ProfileUserPropertyNumber("qx_paid_count", std::int32_t{1});
    NativeUserTracker::ProfileUserPropertyNumber("qx_consumption", static_cast<double>(event.paidAmount));
    const std::int64_t now = QxLocationTime::GetTrackTime();
    NativeUserTracker::ProfileUserPropertyDateTime("qx_first_paid_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_last_paid_date", now);
    if (*event.result == QxResult::Success) {
        {
            std::lock_guard lock(state_->mutex);
            state_->userVipLevel = 1;
        }
        SaveSettings();
    }
    FlushNow();
}

void UsageTrackerImpl::trackUninstall(const std::string& reason, const QxContextProperties& context) {
    Send(kEventUninstall, UninstallProperties(reason), QxEventType::Uninstall, &context);
    FlushNow();
}

void UsageTrackerImpl::trackCrash(const std::string& reason) {
    Send(kEventCrash, CrashProperties(reason), QxEventType::Crashed, nullptr);
    FlushNow();
}

void UsageTrackerImpl::trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) {
    Send(kEventUpdate, UpdateProperties(event), QxEventType::Update, &context);
    FlushNow();
}

void UsageTrackerImpl::trackAppOpenNotification(const AppOpenNotification* notification,
                                                const QxContextProperties& context) {
    Send(kEventAppOpenNotification, AppOpenNotificationProperties(notification), QxEventType::AppOpenNotification,
         &context);
    Defer();
}

void UsageTrackerImpl::setLocale(const std::string& locale) {
    QxLocale triple;
    {
        std::lock_guard lock(state_->mutex);
        state_->locale = ToUtf8Text(locale);
        triple = LocaleTriple(state_->locale);
    }
    PropertiesNode props;
    props.SetString("qx_l10n_locale", triple.locale);
    props.SetString("qx_l10n_language", triple.language);
    props.SetString("qx_l10n_country", triple.country);
    Sdk::RegisterSuperProperties(props);
}

}  // namespace tessavon::tracking
