// Costs of the skin: opening the package, building and painting the main
// window, and the repaint the progress animation asks for every 30 ms.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "controls/Controls.h"
#include "controls/Markup.h"
#include "controls/SkinPackage.h"
#include "controls/Text.h"
#include "controls/host/OffscreenHost.h"
#include "platform/resources.h"

using namespace Controls;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Median of `runs` timings of `work`, in milliseconds.
double Median(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(Millis(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::unique_ptr<Control> SequenceStandIn(std::string_view element) {
  if (EqualsNoCase(element, "SequenceLabel")) return std::make_unique<Label>();
  return nullptr;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  const long rss_start = PeakRssKiB();
  auto archive = platform::FindResource("ZIPRES", 147);
  if (!archive) {
    std::fprintf(stderr, "no skin resource\n");
    return 1;
  }
  std::size_t unpacked = 0;
  const double open_ms = Median(15, [&] {
    SkinPackage p = SkinPackage::FromBytes(*archive);
    unpacked = 0;
    for (const auto& e : p.Entries()) unpacked += e.data.size();
  });
  std::printf("package: %zu bytes packed, %zu bytes unpacked\n", archive->size(), unpacked);
  std::printf("open package (decompress every entry): %.2f ms (median of 15)\n", open_ms);

  // The first window of the process: opening, building and the first frame,
  // font set-up and image decoding included.
  const auto t0 = Clock::now();
  SharedSkin::Open("ZIPRES", 147);
  LoadFontRulesFromResource("FONTCONFIG", 1);
  const auto t1 = Clock::now();
  OffscreenHost host({600, 400});
  Window window(host);
  host.Attach(&window);
  if (!BuildFromPackage(window, "MainWnd.xml", SequenceStandIn).ok) return 1;
  const auto t2 = Clock::now();
  host.PaintAll();
  const auto t3 = Clock::now();
  std::printf("first window: open %.2f ms, build %.2f ms, first frame 600x400 %.2f ms, total %.2f ms\n",
              Millis(t1 - t0), Millis(t2 - t1), Millis(t3 - t2), Millis(t3 - t0));

  const double build_ms = Median(25, [&] {
    OffscreenHost h({600, 400});
    Window w(h);
    BuildFromPackage(w, "MainWnd.xml", SequenceStandIn);
  });
  std::printf("build main window again (package open): %.3f ms (median of 25)\n", build_ms);
  const double frame_ms = Median(25, [&] { host.PaintAll(); });
  std::printf("full repaint 600x400 (images cached): %.3f ms (median of 25)\n", frame_ms);

  // The animation label sits on the progress page; one step repaints only it.
  window.FindControl("mainTabLt");
  if (auto* pages = dynamic_cast<TabLayout*>(window.FindControl("mainTabLt"))) pages->SelectItem(2, false);
  host.PaintAll();
  Control* anim = window.FindControl("progressAnLb");
  const double step_ms = Median(200, [&] {
    anim->SetBkImage("res\\mainWnd\\installBtnAnimate\\000.png");
    anim->Invalidate();
    host.PaintDirty();
  });
  std::printf("repaint of the %dx%d animation label: %.3f ms (median of 200), dirty area painted only\n",
              anim->GetPos().Width(), anim->GetPos().Height(), step_ms);
  std::printf("peak RSS: %ld KiB (%ld KiB at start)\n", PeakRssKiB(), rss_start);
  return 0;
}
