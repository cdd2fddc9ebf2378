#include <SDL.h>

#include "platform/app.h"
#include "platform/linux/keymap.h"

namespace platform::keymap {

namespace {

struct ScanEntry {
  SDL_Scancode scan;
  std::uint16_t vk;
};

// Keys that map by position; Windows code in the comment where the name says little.
constexpr ScanEntry kScanTable[] = {
    {SDL_SCANCODE_BACKSPACE, vk::kBack},
    {SDL_SCANCODE_TAB, vk::kTab},
    {SDL_SCANCODE_RETURN, vk::kReturn},
    {SDL_SCANCODE_KP_ENTER, vk::kReturn},
    {SDL_SCANCODE_LSHIFT, vk::kShift},
    {SDL_SCANCODE_RSHIFT, vk::kShift},
    {SDL_SCANCODE_LCTRL, vk::kControl},
    {SDL_SCANCODE_RCTRL, vk::kControl},
    {SDL_SCANCODE_LALT, vk::kMenu},
    {SDL_SCANCODE_RALT, vk::kMenu},
    {SDL_SCANCODE_PAUSE, vk::kPause},
    {SDL_SCANCODE_CAPSLOCK, vk::kCapital},
    {SDL_SCANCODE_ESCAPE, vk::kEscape},
    {SDL_SCANCODE_SPACE, vk::kSpace},
    {SDL_SCANCODE_PAGEUP, vk::kPrior},
    {SDL_SCANCODE_PAGEDOWN, vk::kNext},
    {SDL_SCANCODE_END, vk::kEnd},
    {SDL_SCANCODE_HOME, vk::kHome},
    {SDL_SCANCODE_LEFT, vk::kLeft},
    {SDL_SCANCODE_UP, vk::kUp},
    {SDL_SCANCODE_RIGHT, vk::kRight},
    {SDL_SCANCODE_DOWN, vk::kDown},
    {SDL_SCANCODE_PRINTSCREEN, 0x2C},  // VK_SNAPSHOT
    {SDL_SCANCODE_INSERT, vk::kInsert},
    {SDL_SCANCODE_DELETE, vk::kDelete},
    {SDL_SCANCODE_LGUI, 0x5B},         // VK_LWIN
    {SDL_SCANCODE_RGUI, 0x5C},         // VK_RWIN
    {SDL_SCANCODE_APPLICATION, 0x5D},  // VK_APPS
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_PLUS, 0x6B},
    {SDL_SCANCODE_KP_MINUS, 0x6D},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F},
    {SDL_SCANCODE_NUMLOCKCLEAR, vk::kNumLock},
    {SDL_SCANCODE_SCROLLLOCK, 0x91},
    // US-layout punctuation positions (VK_OEM_*).
    {SDL_SCANCODE_SEMICOLON, 0xBA},
    {SDL_SCANCODE_EQUALS, 0xBB},
    {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},
    {SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
    // Japanese keyboard keys.
    {SDL_SCANCODE_INTERNATIONAL1, 0xE2},  // Ro: VK_OEM_102
    {SDL_SCANCODE_INTERNATIONAL2, 0x15},  // katakana/hiragana: VK_KANA
    {SDL_SCANCODE_INTERNATIONAL3, 0xDC},  // yen: VK_OEM_5
    {SDL_SCANCODE_INTERNATIONAL4, 0x1C},  // henkan: VK_CONVERT
    {SDL_SCANCODE_INTERNATIONAL5, 0x1D},  // muhenkan: VK_NONCONVERT
};

// Keypad keys with Num Lock on / off.
struct PadEntry {
  SDL_Scancode scan;
  std::uint16_t withNumLock, withoutNumLock;
};

constexpr PadEntry kPadTable[] = {
    {SDL_SCANCODE_KP_0, 0x60, vk::kInsert},      {SDL_SCANCODE_KP_1, 0x61, vk::kEnd},
    {SDL_SCANCODE_KP_2, 0x62, vk::kDown},        {SDL_SCANCODE_KP_3, 0x63, vk::kNext},
    {SDL_SCANCODE_KP_4, 0x64, vk::kLeft},        {SDL_SCANCODE_KP_5, 0x65, 0x0C},  // VK_CLEAR
    {SDL_SCANCODE_KP_6, 0x66, vk::kRight},       {SDL_SCANCODE_KP_7, 0x67, vk::kHome},
    {SDL_SCANCODE_KP_8, 0x68, vk::kUp},          {SDL_SCANCODE_KP_9, 0x69, vk::kPrior},
    {SDL_SCANCODE_KP_PERIOD, 0x6E, vk::kDelete},
};

}  // namespace

std::uint16_t VirtualKey(const SDL_Keysym& key) {
  const SDL_Keycode code = key.sym;
  if (code >= SDLK_a && code <= SDLK_z) return static_cast<std::uint16_t>('A' + (code - SDLK_a));
  if (code >= SDLK_0 && code <= SDLK_9) {
    // The top row only; the keypad's digits are handled below.
    if (key.scancode < SDL_SCANCODE_KP_DIVIDE || key.scancode > SDL_SCANCODE_KP_PERIOD)
      return static_cast<std::uint16_t>('0' + (code - SDLK_0));
  }
  const SDL_Scancode scan = key.scancode;
  for (const PadEntry& e : kPadTable) {
    if (e.scan == scan) return (key.mod & KMOD_NUM) ? e.withNumLock : e.withoutNumLock;
  }
  if (scan >= SDL_SCANCODE_F1 && scan <= SDL_SCANCODE_F12)
    return static_cast<std::uint16_t>(vk::kF1 + (scan - SDL_SCANCODE_F1));
  if (scan >= SDL_SCANCODE_F13 && scan <= SDL_SCANCODE_F24)
    return static_cast<std::uint16_t>(vk::kF1 + 12 + (scan - SDL_SCANCODE_F13));
  if (scan >= SDL_SCANCODE_A && scan <= SDL_SCANCODE_Z)
    return static_cast<std::uint16_t>('A' + (scan - SDL_SCANCODE_A));
  if (scan >= SDL_SCANCODE_1 && scan <= SDL_SCANCODE_9)
    return static_cast<std::uint16_t>('1' + (scan - SDL_SCANCODE_1));
  if (scan == SDL_SCANCODE_0) return '0';
  for (const ScanEntry& e : kScanTable) {
    if (e.scan == scan) return e.vk;
  }
  return vk::kUnknown;
}

unsigned ShiftState(std::uint16_t mod, std::uint32_t buttons) {
  unsigned shift = 0;
  if (mod & KMOD_SHIFT) shift |= kShiftKey;
  if (mod & KMOD_ALT) shift |= kAltKey;
  if (mod & KMOD_CTRL) shift |= kCtrlKey;
  if (buttons & SDL_BUTTON_LMASK) shift |= kLeftButton;
  if (buttons & SDL_BUTTON_RMASK) shift |= kRightButton;
  if (buttons & SDL_BUTTON_MMASK) shift |= kMiddleButton;
  return shift;
}

}  // namespace platform::keymap
