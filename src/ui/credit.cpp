#include "ui/credit.h"

#include <string>
#include <string_view>

#include "platform/glyphs.h"
#include "platform/sjis.h"

namespace ui {

namespace {

// Ink and paper of the picture's palette.
constexpr std::uint8_t kInk = 0, kPaper = 1;

class Canvas {
 public:
  explicit Canvas(platform::TwoColourPicture& p) : p_(p) {}

  void Dot(int x, int y) {
    if (x >= 0 && y >= 0 && x < p_.width && y < p_.height) p_.pixels[static_cast<std::size_t>(y) * p_.width + x] = kInk;
  }
  void HLine(int x0, int x1, int y) {
    for (int x = x0; x <= x1; ++x) Dot(x, y);
  }
  void VLine(int x, int y0, int y1) {
    for (int y = y0; y <= y1; ++y) Dot(x, y);
  }
  void Frame(int left, int top, int right, int bottom) {
    HLine(left, right, top);
    HLine(left, right, bottom);
    VLine(left, top, bottom);
    VLine(right, top, bottom);
  }

  // Text in `font` with its cell's top at `top`, centred on `centreX`, from 1-bit glyphs as
  // GetGlyphOutlineA gives them. Nothing when the font cannot be selected.
  void Text(platform::GlyphContext& gc, const platform::FontDesc& font, std::string_view text, int centreX, int top) {
    if (!gc.SelectFont(font)) return;
    int cx = 0, cy = 0;
    if (!gc.TextExtent(text, &cx, &cy)) return;
    const int baseline = top + gc.Metrics().ascent;
    int pen = centreX - cx / 2;
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < text.size(); ++i) {
      unsigned code = static_cast<unsigned char>(text[i]);
      if (sjis::IsLeadByte(static_cast<unsigned char>(code)) && i + 1 < text.size())
        code = code * 256 + static_cast<unsigned char>(text[++i]);
      platform::GlyphMetrics gm;
      const std::uint32_t size = gc.GlyphOutline(code, platform::GlyphFormat::Bitmap, &gm, 0, nullptr);
      if (size != platform::kGlyphError && size > 0) {
        buffer.assign(size, 0);
        if (gc.GlyphOutline(code, platform::GlyphFormat::Bitmap, &gm, size, buffer.data()) != platform::kGlyphError) {
          const std::size_t stride = ((gm.blackBoxX + 31) / 32) * 4;
          for (unsigned y = 0; y < gm.blackBoxY; ++y) {
            for (unsigned x = 0; x < gm.blackBoxX; ++x) {
              const std::size_t at = y * stride + x / 8;
              if (at < buffer.size() && (buffer[at] & (0x80u >> (x % 8))))
                Dot(pen + gm.originX + static_cast<int>(x), baseline - gm.originY + static_cast<int>(y));
            }
          }
        }
      }
      pen += gm.cellIncX;
    }
  }

 private:
  platform::TwoColourPicture& p_;
};

platform::FontDesc PictureFont(int points, unsigned style) {
  platform::FontDesc f;
  f.name = "ＭＳ Ｐゴシック";
  f.size = points;
  f.charset = 128;
  f.style = style;
  return f;
}

}  // namespace

platform::TwoColourPicture CreditPicture() {
  platform::TwoColourPicture p;
  p.width = kCreditWidth;
  p.height = kCreditHeight;
  p.pixels.assign(static_cast<std::size_t>(p.width) * p.height, kPaper);
  Canvas c(p);
  const int mid = p.width / 2;
  c.Frame(2, 2, p.width - 3, p.height - 3);
  c.Frame(4, 4, p.width - 5, p.height - 5);

  auto gc = platform::CreateGlyphContext();
  c.Text(*gc, PictureFont(18, platform::kFontBold | platform::kFontItalic), "corvane KESTOR", mid, 7);
  c.HLine(mid - 100, mid + 100, 34);
  c.Text(*gc, PictureFont(9, platform::kFontBold), "3D screen saver   Version 1.0", mid, 38);
  c.Text(*gc, PictureFont(9, 0), "Copyright (C) 2026 corvane", mid, 52);
  return p;
}

TForm2::TForm2(std::unique_ptr<platform::CreditView> view, const TimerFactory& timers, std::function<void()> hideCredit)
    : view_(std::move(view)), hideCredit_(std::move(hideCredit)) {
  FormCreate();
  timer_ = timers(kCreditTimerMs, true, [this] { Timer1Timer(); });
}

TForm2::~TForm2() {
  timer_.reset();  // no tick may reach a half-destroyed form
  view_.reset();
}

void TForm2::FormCreate() { ticks_ = 0; }

void TForm2::Timer1Timer() {
  ++ticks_;
  if (ticks_ > kCreditTicks - 1 && hideCredit_) hideCredit_();
}

void TForm2::Show(bool stayOnTop) {
  shown_ = true;
  if (view_) view_->Show(stayOnTop);
}

void TForm2::Hide() {
  shown_ = false;
  if (view_) view_->Hide();
}

bool TForm2::Visible() const { return view_ ? view_->Visible() : shown_; }

CreditWindows::CreditWindows(ViewFactory views, TimerFactory timers)
    : views_(std::move(views)), timers_(std::move(timers)) {}

CreditWindows::~CreditWindows() = default;

std::unique_ptr<CreditWindows> CreditWindows::ForWindow(platform::Application& app, platform::System& system,
                                                        platform::WindowHandle owner) {
  auto picture = std::make_shared<platform::TwoColourPicture>(CreditPicture());
  return std::make_unique<CreditWindows>(
      [owner, picture] { return platform::CreateCreditView(owner, *picture); },
      [&app, &system](std::uint32_t ms, bool enabled, std::function<void()> onTimer) {
        if (system.ClockIsVirtual()) return system.CreateVirtualTimer(ms, enabled, std::move(onTimer));
        return app.CreateTimer(ms, enabled, std::move(onTimer));
      });
}

void CreditWindows::OpenOnAlt() {
  if (creditShown_) return;
  windows_.push_back(std::make_unique<TForm2>(views_ ? views_() : nullptr, timers_, [this] { HideCredit(); }));
  creditWindow_ = windows_.back().get();
  creditShown_ = true;
  creditWindow_->Show(true);
  creditWindow_->Timer1().SetEnabled(true);
}

void CreditWindows::HideCredit() {
  if (!creditWindow_) return;
  creditWindow_->Timer1().SetEnabled(false);
  creditWindow_->Hide();
  creditShown_ = false;
}

}  // namespace ui
