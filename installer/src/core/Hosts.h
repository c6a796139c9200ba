#pragma once
// The maker's hosts, in one place. They are fictional names under a reserved
// domain: nothing the installer or its tests do can reach a real server by
// accident. Tests and the demo point the installer at local stand-ins through
// the settings file or the "-downloadurl" switch instead.

namespace Hosts {

// The setup package. Unencrypted, like the download host it stands for; the
// real address the host redirects to carries the package's md5.
inline constexpr const char* kDefaultPackageUrl = "http://download.quorvane.example/software/245";

// The maker's web pages (licence terms, the page opened after installing).
inline constexpr const char* kWebHost = "https://www.quorvane.example";

// The analytics collector.
inline constexpr const char* kAnalyticsHost = "https://analytics.quorvane.example";

}  // namespace Hosts
