// The settings dialog and the description window in GTK 3. Controls sit at the dialog's pixel
// positions in a GtkFixed; a style sheet scoped to these windows gives the dialog font, bold
// captions, blue labels and black buttons. Texts arrive in Shift-JIS and are converted here.
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/setup_visibility.h"
#include "platform/sjis.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr int kDialogWidth = 325, kDialogHeight = 181;  // client pixels
constexpr int kDescriptionWidth = 438, kDescriptionHeight = 404;

// Scoped to windows with the class "kestor": the dialog font (ＭＳ Ｐゴシック, 12 px, shown with the
// IPA P Gothic face on Linux), bold captions, blue labels, black buttons, and controls as small as
// the dialog's pixel sizes ask.
constexpr char kStyleSheet[] = R"css(
.kestor, .kestor * {
  font-family: "ＭＳ Ｐゴシック", "IPAPGothic", "IPAGothic", sans-serif;
  font-size: 12px;
}
.kestor label, .kestor checkbutton, .kestor radiobutton, .kestor frame > label {
  font-weight: bold;
  color: #0000ff;
}
.kestor label:disabled, .kestor checkbutton:disabled, .kestor radiobutton:disabled { color: #8080c0; }
.kestor button, .kestor button label { font-weight: bold; color: #000000; }
.kestor button label:disabled { color: #909090; }
.kestor button { min-height: 0; min-width: 0; padding: 0 2px; }
.kestor entry { min-height: 0; min-width: 0; padding: 0 3px; font-weight: normal; }
.kestor checkbutton, .kestor radiobutton { min-height: 0; padding: 0; }
.kestor checkbutton check, .kestor radiobutton radio { min-width: 11px; min-height: 11px; margin: 0 4px 0 0; }
.kestor frame.panel > border { border-style: solid; border-width: 1px; border-color: #808080 #ffffff #ffffff #808080; }
.kestor frame.group > border { border-style: solid; border-width: 1px; border-color: #a0a0a0; }
.kestor scale { padding: 0; min-height: 0; }
.kestor scale trough { min-height: 4px; }
.kestor scale slider { min-width: 10px; min-height: 18px; margin: -8px 0; border-radius: 1px; }
.kestor scale marks mark indicator { min-height: 4px; min-width: 1px; color: #000000; }
.kestor.readme textview, .kestor.readme textview text { font-weight: normal; color: #000000; }
)css";

bool EnsureGtk() {
  static const bool ready = [] {
    if (!gtk_init_check(nullptr, nullptr)) {
      std::fprintf(stderr, "corvane_kestor: GTK cannot open the display\n");
      return false;
    }
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kStyleSheet, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    return true;
  }();
  return ready;
}

std::string Utf8(const std::string& sjisText) { return sjis::ToUtf8(sjisText); }

// A caption with a Windows access key ("OK(&o)") as a GTK mnemonic ("OK(_o)").
std::string Mnemonic(const std::string& sjisCaption) {
  std::string out;
  const std::string utf8 = Utf8(sjisCaption);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '_') {
      out += "__";
    } else if (utf8[i] == '&' && i + 1 < utf8.size() && utf8[i + 1] == '&') {
      out += '&';
      ++i;
    } else if (utf8[i] == '&') {
      out += '_';
    } else {
      out += utf8[i];
    }
  }
  return out;
}

// A window that takes the keyboard once it is mapped. Without a window manager nothing focuses a
// new window, and its keys would go to the window that had the focus before.
void FocusWhenMapped(GtkWidget* window) {
  g_signal_connect(window, "map-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) -> gboolean {
                     gtk_window_present_with_time(GTK_WINDOW(w), GDK_CURRENT_TIME);
                     return FALSE;
                   }),
                   nullptr);
}

void AddClass(GtkWidget* w, const char* name) { gtk_style_context_add_class(gtk_widget_get_style_context(w), name); }

void Place(GtkWidget* fixed, GtkWidget* w, int x, int y, int width, int height) {
  gtk_widget_set_size_request(w, width, height);
  gtk_fixed_put(GTK_FIXED(fixed), w, x, y);
}

// The Windows Japanese faces as the installed families the glyph seam uses for them.
std::string ChooserFamily(const std::string& sjisFace) {
  static const char* const kFaces[][2] = {
      {"ＭＳ ゴシック", "IPAGothic"}, {"MS Gothic", "IPAGothic"},   {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"MS PGothic", "IPAPGothic"},   {"ＭＳ 明朝", "IPAMincho"},   {"MS Mincho", "IPAMincho"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},  {"MS PMincho", "IPAPMincho"},
  };
  for (const auto& f : kFaces) {
    if (sjisFace == f[0]) return f[1];
  }
  return Utf8(sjisFace);
}

// The styles the settings file has codes for, one at a time, as the font chooser offers them.
struct StyleChoice {
  unsigned style;
  const char* sjisName;
};
constexpr StyleChoice kStyles[] = {
    {0, "標準"}, {kFontBold, "太字"}, {kFontItalic, "斜体"}, {kFontStrikeOut, "取り消し線"}, {kFontUnderline, "下線"},
};

// A swatch of a colour 0x00BBGGRR with a grey frame, so that white shows on white.
GdkPixbuf* Swatch(std::uint32_t color) {
  constexpr int kWidth = 24, kHeight = 14;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kWidth, kHeight);
  gdk_pixbuf_fill(pixbuf, 0x808080FFu);
  GdkPixbuf* inner = gdk_pixbuf_new_subpixbuf(pixbuf, 1, 1, kWidth - 2, kHeight - 2);
  const std::uint32_t rgba =
      ((color & 0xFFu) << 24) | (((color >> 8) & 0xFFu) << 16) | (((color >> 16) & 0xFFu) << 8) | 0xFFu;
  gdk_pixbuf_fill(inner, rgba);
  g_object_unref(inner);
  return pixbuf;
}

// The colour list of the font chooser: a swatch and a name per colour; the active row is `color`'s,
// none when it is not among them.
GtkWidget* ColourCombo(const std::vector<ColourChoice>& colours, std::uint32_t color) {
  enum { kColourColumn, kSwatchColumn, kNameColumn };
  GtkListStore* store = gtk_list_store_new(3, G_TYPE_UINT, GDK_TYPE_PIXBUF, G_TYPE_STRING);
  int active = -1;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    GdkPixbuf* swatch = Swatch(colours[i].color);
    gtk_list_store_insert_with_values(store, nullptr, -1, kColourColumn, static_cast<guint>(colours[i].color),
                                      kSwatchColumn, swatch, kNameColumn, Utf8(colours[i].name).c_str(), -1);
    g_object_unref(swatch);
    if (colours[i].color == color) active = static_cast<int>(i);
  }
  GtkWidget* combo = gtk_combo_box_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  GtkCellRenderer* swatchCell = gtk_cell_renderer_pixbuf_new();
  gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(combo), swatchCell, FALSE);
  gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(combo), swatchCell, "pixbuf", kSwatchColumn);
  GtkCellRenderer* nameCell = gtk_cell_renderer_text_new();
  gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(combo), nameCell, TRUE);
  gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(combo), nameCell, "text", kNameColumn);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), active);
  return combo;
}

// The colour of the combo's active row, or `color` when none is active.
std::uint32_t ComboColour(GtkWidget* combo, std::uint32_t color) {
  GtkTreeIter row;
  if (!gtk_combo_box_get_active_iter(GTK_COMBO_BOX(combo), &row)) return color;
  guint value = 0;
  gtk_tree_model_get(gtk_combo_box_get_model(GTK_COMBO_BOX(combo)), &row, 0, &value, -1);
  return value;
}

// ---------------------------------------------------------------------------------------------
// The up-down control: two arrow buttons, one above the other, in a 17 x 17 drawing area.

struct UpDown {
  GtkWidget* area = nullptr;
  int min = 0, max = 100, position = 0;
  int pressed = 0;  // +1 upper half held, -1 lower half held
};

gboolean DrawUpDown(GtkWidget* w, cairo_t* cr, gpointer data) {
  const auto* u = static_cast<UpDown*>(data);
  const double width = gtk_widget_get_allocated_width(w), height = gtk_widget_get_allocated_height(w);
  const bool enabled = gtk_widget_is_sensitive(w);
  for (int half = 0; half < 2; ++half) {
    const double top = half * height / 2, h = height / 2;
    const bool down = (half == 0 && u->pressed > 0) || (half == 1 && u->pressed < 0);
    cairo_set_source_rgb(cr, 0.83, 0.82, 0.78);
    cairo_rectangle(cr, 0, top, width, h);
    cairo_fill(cr);
    // Raised (or pressed) edges.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, down ? 0.5 : 1, down ? 0.5 : 1, down ? 0.5 : 1);
    cairo_move_to(cr, 0.5, top + h - 0.5);
    cairo_line_to(cr, 0.5, top + 0.5);
    cairo_line_to(cr, width - 0.5, top + 0.5);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, down ? 1 : 0.25, down ? 1 : 0.25, down ? 1 : 0.25);
    cairo_move_to(cr, width - 0.5, top + 0.5);
    cairo_line_to(cr, width - 0.5, top + h - 0.5);
    cairo_line_to(cr, 0.5, top + h - 0.5);
    cairo_stroke(cr);
    // The arrow.
    const double cx = width / 2, cy = top + h / 2;
    if (enabled)
      cairo_set_source_rgb(cr, 0, 0, 0);
    else
      cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    if (half == 0) {
      cairo_move_to(cr, cx - 3, cy + 1.5);
      cairo_line_to(cr, cx + 3, cy + 1.5);
      cairo_line_to(cr, cx, cy - 1.5);
    } else {
      cairo_move_to(cr, cx - 3, cy - 1.5);
      cairo_line_to(cr, cx + 3, cy - 1.5);
      cairo_line_to(cr, cx, cy + 1.5);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  return TRUE;
}

// ---------------------------------------------------------------------------------------------

class GtkDescriptionView final : public DescriptionView {
 public:
  GtkDescriptionView(GtkWindow* owner, DescriptionEvents& events) : events_(events) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    AddClass(window_, "kestor");
    AddClass(window_, "readme");
    gtk_window_set_title(GTK_WINDOW(window_), Utf8("解説").c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    if (owner) gtk_window_set_transient_for(GTK_WINDOW(window_), owner);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    FocusWhenMapped(window_);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, kDescriptionWidth, kDescriptionHeight);
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_EXTERNAL, GTK_POLICY_ALWAYS);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroll), FALSE);  // a scroll bar that stays
    memo_ = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(memo_), GTK_WRAP_NONE);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(memo_), 2);
    gtk_container_add(GTK_CONTAINER(scroll), memo_);
    Place(fixed, scroll, 8, 8, 425, 361);

    button_ = gtk_button_new_with_mnemonic(Mnemonic("閉じる(&c)").c_str());
    Place(fixed, button_, 360, 376, 75, 25);
    g_signal_connect(button_, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                       static_cast<GtkDescriptionView*>(self)->events_.Button1Click();
                     }),
                     this);
    // The close box and Escape only hide the window.
    g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) -> gboolean {
                       gtk_widget_hide(w);
                       return TRUE;
                     }),
                     nullptr);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(+[](GtkWidget* w, GdkEventKey* e, gpointer) -> gboolean {
                       if (e->keyval != GDK_KEY_Escape) return FALSE;
                       gtk_widget_hide(w);
                       return TRUE;
                     }),
                     nullptr);
    gtk_widget_show_all(fixed);
  }

  ~GtkDescriptionView() override {
    gtk_widget_destroy(window_);
    g_object_unref(window_);
  }

  void SetText(const std::vector<std::string>& lines) override {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + Utf8(lines[i]);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(memo_)), text.c_str(), -1);
  }

  void Show() override {
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
    gtk_widget_grab_focus(button_);
  }
  void Hide() override { gtk_widget_hide(window_); }
  bool Visible() const override { return gtk_widget_get_visible(window_); }

 private:
  DescriptionEvents& events_;
  GtkWidget* window_ = nullptr;
  GtkWidget* memo_ = nullptr;
  GtkWidget* button_ = nullptr;
};

// ---------------------------------------------------------------------------------------------

class GtkSetupView final : public SetupDialogView {
 public:
  GtkSetupView() {
    loop_ = g_main_loop_new(nullptr, FALSE);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    AddClass(window_, "kestor");
    gtk_window_set_title(GTK_WINDOW(window_), Utf8("設定").c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_window_set_role(GTK_WINDOW(window_), "kestor-settings");
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, kDialogWidth, kDialogHeight);
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    Build();
    g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                       static_cast<GtkSetupView*>(self)->Close();
                       return TRUE;
                     }),
                     this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
  }

  ~GtkSetupView() override {
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    g_main_loop_unref(loop_);
  }

  void ShowModal(SetupDialogEvents& events) override {
    events_ = &events;
    closed_ = false;
    events.FormCreate();
    gtk_widget_show(fixed_);
    ApplyVisibility();
    gtk_widget_grab_focus(ok_);
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
    if (!closed_) g_main_loop_run(loop_);
    events.FormDestroy();
    gtk_widget_hide(window_);
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    events_ = nullptr;
  }

  void Close() override {
    closed_ = true;
    if (g_main_loop_is_running(loop_)) g_main_loop_quit(loop_);
  }

  WindowHandle Handle() const override { return gtk_widget_get_visible(window_) ? window_ : nullptr; }

  void SetTrackBar(int min, int max, int position) override {
    Quiet q(*this);
    gtk_range_set_range(GTK_RANGE(trackBar_), min, max);
    gtk_range_set_value(GTK_RANGE(trackBar_), position);
  }
  int TrackBarPosition() const override {
    return static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(trackBar_))));
  }

  void SetRadioItem(int index) override {
    Quiet q(*this);
    if (index >= 0 && index < 3) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio_[index]), TRUE);
  }
  int RadioItem() const override {
    for (int i = 0; i < 3; ++i)
      if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(radio_[i]))) return i;
    return -1;
  }

  void SetChecked(SetupControl box, bool checked) override {
    if (GtkWidget* w = box == SetupControl::CheckBox1 ? check1_ : box == SetupControl::CheckBox2 ? check2_ : nullptr) {
      Quiet q(*this);
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), checked);
    }
  }
  bool Checked(SetupControl box) const override {
    GtkWidget* w = box == SetupControl::CheckBox1 ? check1_ : box == SetupControl::CheckBox2 ? check2_ : nullptr;
    return w && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
  }

  void SetEditText(const std::string& text) override {
    Quiet q(*this);
    gtk_entry_set_text(GTK_ENTRY(edit_), Utf8(text).c_str());
  }
  std::string EditText() const override { return sjis::FromUtf8(gtk_entry_get_text(GTK_ENTRY(edit_))); }

  void SetUpDown(int min, int max, int position) override {
    upDown_.min = min;
    upDown_.max = max < min ? min : max;
    upDown_.position = position < upDown_.min ? upDown_.min : position > upDown_.max ? upDown_.max : position;
    gtk_widget_queue_draw(upDown_.area);
  }
  int UpDownPosition() const override { return upDown_.position; }

  void SetEnabled(SetupControl control, bool enabled) override {
    for (GtkWidget* w : Widgets(control)) gtk_widget_set_sensitive(w, enabled);
  }
  bool Enabled(SetupControl control) const override {
    const auto ws = Widgets(control);
    return !ws.empty() && gtk_widget_get_sensitive(ws.front());
  }

  void SetVisible(SetupControl control, bool visible) override {
    visibility_.Set(control, visible);
    ApplyVisibility();
  }
  bool Visible(SetupControl control) const override { return visibility_.Visible(control); }

  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    GtkWidget* d = gtk_dialog_new();
    AddClass(d, "kestor-message");
    FocusWhenMapped(d);
    gtk_window_set_title(GTK_WINDOW(d), Utf8(caption).c_str());
    gtk_window_set_transient_for(GTK_WINDOW(d), GTK_WINDOW(window_));
    gtk_window_set_modal(GTK_WINDOW(d), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(d), FALSE);
    gtk_window_set_position(GTK_WINDOW(d), GTK_WIN_POS_CENTER_ON_PARENT);
    GtkWidget* label = gtk_label_new(Utf8(text).c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 46);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_selectable(GTK_LABEL(label), FALSE);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(d));
    gtk_container_set_border_width(GTK_CONTAINER(area), 12);
    gtk_box_set_spacing(GTK_BOX(area), 12);
    gtk_container_add(GTK_CONTAINER(area), label);
    GtkWidget* def = nullptr;
    switch (flags & 0xF) {
      case kMbOkCancel:
        def = gtk_dialog_add_button(GTK_DIALOG(d), "OK", kIdOk);
        gtk_dialog_add_button(GTK_DIALOG(d), Utf8("キャンセル").c_str(), kIdCancel);
        break;
      case kMbYesNo:
        def = gtk_dialog_add_button(GTK_DIALOG(d), Utf8("はい(_Y)").c_str(), kIdYes);
        gtk_dialog_add_button(GTK_DIALOG(d), Utf8("いいえ(_N)").c_str(), kIdNo);
        break;
      default: def = gtk_dialog_add_button(GTK_DIALOG(d), "OK", kIdOk); break;
    }
    gtk_widget_show_all(d);
    if (def) gtk_widget_grab_focus(def);
    const int response = gtk_dialog_run(GTK_DIALOG(d));
    gtk_widget_destroy(d);
    if (response > 0) return response;
    // The close box or Escape: the answer that changes nothing.
    return (flags & 0xF) == kMbYesNo ? kIdNo : (flags & 0xF) == kMbOk ? kIdOk : kIdCancel;
  }

  bool RunFontChooser(FontDesc& font, const std::vector<ColourChoice>& colours) override {
    GtkWidget* d = gtk_font_chooser_dialog_new(Utf8("フォント").c_str(), GTK_WINDOW(window_));
    FocusWhenMapped(d);
    // Family and size only: the style is the one of the row below, so that no face offers a
    // combination the settings file cannot keep.
    gtk_font_chooser_set_level(GTK_FONT_CHOOSER(d), static_cast<GtkFontChooserLevel>(GTK_FONT_CHOOSER_LEVEL_FAMILY |
                                                                                     GTK_FONT_CHOOSER_LEVEL_SIZE));
    const std::string family = ChooserFamily(font.name);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, family.c_str());
    pango_font_description_set_size(desc, (font.size > 0 ? font.size : 12) * PANGO_SCALE);
    gtk_font_chooser_set_font_desc(GTK_FONT_CHOOSER(d), desc);
    pango_font_description_free(desc);
    gtk_font_chooser_set_preview_text(GTK_FONT_CHOOSER(d), Utf8("あぁアァ亜宇 AaBbYyZz 123").c_str());

    // The style and the colour, each a list of what the settings can hold. Their access keys are
    // not those of the dialog's own buttons (_Cancel, _Select).
    GtkWidget* effects = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    GtkWidget* styleLabel = gtk_label_new_with_mnemonic(Utf8("スタイル(_Y):").c_str());
    GtkWidget* style = gtk_combo_box_text_new();
    int styleRow = 0;
    for (std::size_t i = 0; i < sizeof kStyles / sizeof kStyles[0]; ++i) {
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(style), Utf8(kStyles[i].sjisName).c_str());
      if (kStyles[i].style == font.style) styleRow = static_cast<int>(i);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(style), styleRow);
    gtk_label_set_mnemonic_widget(GTK_LABEL(styleLabel), style);
    GtkWidget* colourLabel = gtk_label_new_with_mnemonic(Utf8("色(_I):").c_str());
    GtkWidget* colour = ColourCombo(colours, font.color);
    gtk_label_set_mnemonic_widget(GTK_LABEL(colourLabel), colour);
    gtk_widget_set_name(style, "kestor-font-style");
    gtk_widget_set_name(colour, "kestor-font-colour");
    gtk_box_pack_start(GTK_BOX(effects), styleLabel, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(effects), style, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(effects), colour, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(effects), colourLabel, FALSE, FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(effects), 6);
    gtk_box_pack_end(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d))), effects, FALSE, FALSE, 0);
    gtk_widget_show_all(effects);

    const bool ok = gtk_dialog_run(GTK_DIALOG(d)) == GTK_RESPONSE_OK;
    if (ok) {
      if (PangoFontDescription* chosen = gtk_font_chooser_get_font_desc(GTK_FONT_CHOOSER(d))) {
        const char* f = pango_font_description_get_family(chosen);
        // An unchanged face keeps its stored (Windows) name.
        if (f && g_ascii_strcasecmp(f, family.c_str()) != 0) font.name = sjis::FromUtf8(f);
        const int size = pango_font_description_get_size(chosen);
        if (size > 0) {
          const double points = pango_font_description_get_size_is_absolute(chosen)
                                    ? size / static_cast<double>(PANGO_SCALE) * 72.0 / kScreenDpi
                                    : size / static_cast<double>(PANGO_SCALE);
          font.size = static_cast<int>(std::lround(points));
          if (font.size < 1) font.size = 1;
        }
        pango_font_description_free(chosen);
      }
      const int row = gtk_combo_box_get_active(GTK_COMBO_BOX(style));
      if (row >= 0) font.style = kStyles[row].style;
      font.color = ComboColour(colour, font.color);
    }
    gtk_widget_destroy(d);
    return ok;
  }

  std::unique_ptr<DescriptionView> CreateDescriptionWindow(DescriptionEvents& events) override {
    return std::make_unique<GtkDescriptionView>(GTK_WINDOW(window_), events);
  }

 private:
  // Programmatic changes raise no events.
  struct Quiet {
    explicit Quiet(GtkSetupView& v) : v_(v), was_(v.quiet_) { v.quiet_ = true; }
    ~Quiet() { v_.quiet_ = was_; }
    GtkSetupView& v_;
    bool was_;
  };

  template <typename F>
  void Raise(F handler) {
    if (quiet_ || !events_ || closed_) return;
    (events_->*handler)();
  }

  GtkWidget* Label(const char* sjisText, int x, int y) {
    GtkWidget* l = gtk_label_new(Utf8(sjisText).c_str());
    gtk_label_set_xalign(GTK_LABEL(l), 0);
    gtk_fixed_put(GTK_FIXED(fixed_), l, x, y);
    return l;
  }

  GtkWidget* Button(const char* sjisCaption, int x, int y, int w, int h, void (SetupDialogEvents::*handler)()) {
    GtkWidget* b = gtk_button_new_with_mnemonic(Mnemonic(sjisCaption).c_str());
    Place(fixed_, b, x, y, w, h);
    handlers_.push_back(Handler{this, handler});
    g_signal_connect(b, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                       auto* hd = static_cast<Handler*>(data);
                       hd->view->Raise(hd->handler);
                     }),
                     &handlers_.back());
    return b;
  }

  GtkWidget* Panel(int x, int y, int w, int h, const char* cssClass) {
    GtkWidget* f = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(f), GTK_SHADOW_IN);
    AddClass(f, cssClass);
    Place(fixed_, f, x, y, w, h);
    return f;
  }

  // The controls in the form's order (the fixed container stacks them in that order), then shown.
  void Build() {
    BuildSpeedPanel();
    BuildModeGroup();
    BuildTextPanel();
    BuildShadowBox();
    BuildButtons();
    // Everything is shown except what the visibility flags hide (ApplyVisibility).
    GList* children = gtk_container_get_children(GTK_CONTAINER(fixed_));
    for (GList* c = children; c; c = c->next) gtk_widget_show_all(GTK_WIDGET(c->data));
    g_list_free(children);
  }

  // Panel1 (8, 8) with the speed controls; children at panel offsets.
  void BuildSpeedPanel() {
    Panel(8, 8, 209, 73, "panel");
    label2_ = Label("速", 8 + 16, 8 + 8);
    label1_ = Label("速度", 8 + 88, 8 + 8);
    label3_ = Label("遅", 8 + 176, 8 + 8);
    trackBar_ = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 500, 1);
    gtk_scale_set_draw_value(GTK_SCALE(trackBar_), FALSE);
    gtk_range_set_increments(GTK_RANGE(trackBar_), 1, 25);
    gtk_range_set_round_digits(GTK_RANGE(trackBar_), 0);
    for (int v = 0; v <= 500; v += 25) {
      gtk_scale_add_mark(GTK_SCALE(trackBar_), v, GTK_POS_TOP, nullptr);
      gtk_scale_add_mark(GTK_SCALE(trackBar_), v, GTK_POS_BOTTOM, nullptr);
    }
    Place(fixed_, trackBar_, 8 + 8, 8 + 24, 193, 45);
    g_signal_connect(trackBar_, "value-changed", G_CALLBACK(+[](GtkRange*, gpointer self) {
                       static_cast<GtkSetupView*>(self)->Raise(&SetupDialogEvents::TrackBar1Change);
                     }),
                     this);
  }

  // RadioGroup1 (224, 8, 97 x 81).
  void BuildModeGroup() {
    radioGroup_ = gtk_frame_new(Utf8("モード").c_str());
    AddClass(radioGroup_, "group");
    gtk_frame_set_label_align(GTK_FRAME(radioGroup_), 0.08f, 0.5f);
    Place(fixed_, radioGroup_, 224, 8, 97, 81);
    const char* const items[3] = {"展示モード", "走行モード", "自動"};
    GSList* group = nullptr;
    for (int i = 0; i < 3; ++i) {
      radio_[i] = gtk_radio_button_new_with_label(group, Utf8(items[i]).c_str());
      group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(radio_[i]));
      Place(fixed_, radio_[i], 224 + 8, 8 + 18 + i * 20, 84, 17);
      g_signal_connect(radio_[i], "toggled", G_CALLBACK(+[](GtkToggleButton* b, gpointer self) {
                         if (gtk_toggle_button_get_active(b))
                           static_cast<GtkSetupView*>(self)->Raise(&SetupDialogEvents::RadioGroup1Click);
                       }),
                       this);
    }
  }

  // Panel2 (8, 88) with the text controls.
  void BuildTextPanel() {
    Panel(8, 88, 209, 57, "panel");
    check1_ = gtk_check_button_new_with_label(Utf8("文字出力する").c_str());
    Place(fixed_, check1_, 8 + 8, 88 + 8, 97, 17);
    label4_ = Label("表示する行数", 8 + 8, 88 + 40);
    edit_ = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(edit_), 1);
    gtk_entry_set_activates_default(GTK_ENTRY(edit_), TRUE);
    Place(fixed_, edit_, 8 + 112, 88 + 32, 73, 20);
    g_signal_connect(edit_, "changed", G_CALLBACK(+[](GtkEditable*, gpointer self) {
                       static_cast<GtkSetupView*>(self)->Raise(&SetupDialogEvents::Edit1Change);
                     }),
                     this);
    upDown_.area = gtk_drawing_area_new();
    gtk_widget_add_events(upDown_.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
    Place(fixed_, upDown_.area, 8 + 184, 88 + 32, 17, 17);
    g_signal_connect(upDown_.area, "draw", G_CALLBACK(DrawUpDown), &upDown_);
    g_signal_connect(upDown_.area, "button-press-event", G_CALLBACK(OnUpDownPress), this);
    g_signal_connect(upDown_.area, "button-release-event",
                     G_CALLBACK(+[](GtkWidget* w, GdkEventButton*, gpointer self) -> gboolean {
                       static_cast<GtkSetupView*>(self)->upDown_.pressed = 0;
                       gtk_widget_queue_draw(w);
                       return TRUE;
                     }),
                     this);

    button2_ = Button("フォント(&f)", 120, 96, 89, 17, &SetupDialogEvents::Button2Click);
  }

  // CheckBox2 under Panel3, which covers it until double-clicked.
  void BuildShadowBox() {
    check2_ = gtk_check_button_new_with_label(Utf8("影（ブレンド）").c_str());
    Place(fixed_, check2_, 232, 96, 92, 17);
    panel3_ = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(panel3_), FALSE);
    Place(fixed_, panel3_, 216, 88, 109, 33);
    g_signal_connect(panel3_, "button-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer self) -> gboolean {
                       if (e->type == GDK_2BUTTON_PRESS && e->button == 1)
                         static_cast<GtkSetupView*>(self)->Raise(&SetupDialogEvents::Panel3DblClick);
                       return TRUE;
                     }),
                     this);
  }

  // OK, the default button, and the bottom row.
  void BuildButtons() {
    ok_ = Button("OK(&o)", 240, 120, 81, 25, &SetupDialogEvents::OKBtnClick);
    gtk_widget_set_can_default(ok_, TRUE);
    gtk_window_set_default(GTK_WINDOW(window_), ok_);
    button1_ = Button("初期位置(&i)", 8, 152, 81, 25, &SetupDialogEvents::Button1Click);
    button3_ = Button("解説(&d)", 96, 152, 73, 25, &SetupDialogEvents::Button3Click);
    button4_ = Button("削除(&u)", 176, 152, 57, 25, &SetupDialogEvents::Button4Click);
    cancel_ = Button("Cancel(&c)", 240, 152, 81, 25, &SetupDialogEvents::CancelBtnClick);
  }

  // Panel3 covers CheckBox2: the box is reachable only while the panel is hidden.
  void ApplyVisibility() {
    gtk_widget_set_visible(panel3_, visibility_.Panel3Shown());
    gtk_widget_set_visible(check2_, visibility_.CheckBox2Shown());
  }

  std::vector<GtkWidget*> Widgets(SetupControl c) const {
    switch (c) {
      case SetupControl::Label1: return {label1_};
      case SetupControl::Label2: return {label2_};
      case SetupControl::Label3: return {label3_};
      case SetupControl::TrackBar1: return {trackBar_};
      case SetupControl::RadioGroup1: return {radioGroup_, radio_[0], radio_[1], radio_[2]};
      case SetupControl::CheckBox1: return {check1_};
      case SetupControl::Label4: return {label4_};
      case SetupControl::Edit1: return {edit_};
      case SetupControl::UpDown1: return {upDown_.area};
      case SetupControl::Button2: return {button2_};
      case SetupControl::CheckBox2: return {check2_};
      case SetupControl::Panel3: return {panel3_};
      case SetupControl::OKBtn: return {ok_};
      case SetupControl::Button1: return {button1_};
      case SetupControl::Button3: return {button3_};
      case SetupControl::Button4: return {button4_};
      case SetupControl::CancelBtn: return {cancel_};
    }
    return {};
  }

  static gboolean OnUpDownPress(GtkWidget* w, GdkEventButton* e, gpointer data) {
    auto* self = static_cast<GtkSetupView*>(data);
    if (e->type != GDK_BUTTON_PRESS || e->button != 1) return TRUE;  // repeated clicks arrive as presses too
    UpDown& u = self->upDown_;
    const bool up = e->y < gtk_widget_get_allocated_height(w) / 2.0;
    u.pressed = up ? 1 : -1;
    const int next = u.position + (up ? 1 : -1);
    if (next >= u.min && next <= u.max) u.position = next;  // no wrap
    gtk_widget_queue_draw(w);
    self->Raise(&SetupDialogEvents::UpDown1Click);
    return TRUE;
  }

  static gboolean OnKey(GtkWidget*, GdkEventKey* e, gpointer data) {
    auto* self = static_cast<GtkSetupView*>(data);
    if (e->keyval == GDK_KEY_Escape) {
      if (gtk_widget_get_sensitive(self->cancel_)) self->Raise(&SetupDialogEvents::CancelBtnClick);
      return TRUE;
    }
    return FALSE;
  }

  struct Handler {
    GtkSetupView* view;
    void (SetupDialogEvents::*handler)();
  };

  GMainLoop* loop_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  GtkWidget *label1_ = nullptr, *label2_ = nullptr, *label3_ = nullptr, *label4_ = nullptr;
  GtkWidget* trackBar_ = nullptr;
  GtkWidget* radioGroup_ = nullptr;
  GtkWidget* radio_[3] = {};
  GtkWidget *check1_ = nullptr, *check2_ = nullptr, *edit_ = nullptr, *panel3_ = nullptr;
  GtkWidget *button1_ = nullptr, *button2_ = nullptr, *button3_ = nullptr, *button4_ = nullptr;
  GtkWidget *ok_ = nullptr, *cancel_ = nullptr;
  UpDown upDown_;
  std::deque<Handler> handlers_;  // stable addresses for the signal data
  SetupVisibility visibility_;
  bool quiet_ = false;
  bool closed_ = false;
  SetupDialogEvents* events_ = nullptr;
};

}  // namespace

// There is no foreground window of another program to parent to on Linux: the dialog stands alone.
std::unique_ptr<SetupDialogView> CreateSetupDialogView(WindowHandle) {
  if (!EnsureGtk()) return nullptr;
  return std::make_unique<GtkSetupView>();
}

}  // namespace platform
