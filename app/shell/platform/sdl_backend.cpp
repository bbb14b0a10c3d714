#include "sdl_backend.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

#include "utf.h"

namespace vp {

struct SdlBackend::State {
    bool initialised = false;
    SDL_Window *window = nullptr;
    SDL_Cursor *arrow = nullptr;
    SDL_Cursor *wait = nullptr;
    const Canvas *last = nullptr;
    int scale = 1;
    Uint32 timerEvent = 0;
    std::map<int, SDL_TimerID> timers;
    std::vector<Color> scratch;
};

namespace {
Uint32 postTimer(Uint32 interval, void *param) {
    // Runs on SDL's timer thread: only posts an event.
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = int(reinterpret_cast<intptr_t>(param) & 0x7FFFFFFF);
    e.user.data1 = nullptr;
    SDL_PushEvent(&e);
    return interval;
}

bool mapKey(SDL_Keycode k, Key &key) {
    switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: key = Key::Enter; return true;
    case SDLK_ESCAPE: key = Key::Escape; return true;
    case SDLK_UP: key = Key::Up; return true;
    case SDLK_DOWN: key = Key::Down; return true;
    case SDLK_LEFT: key = Key::Left; return true;
    case SDLK_RIGHT: key = Key::Right; return true;
    case SDLK_PAGEUP: key = Key::PageUp; return true;
    case SDLK_PAGEDOWN: key = Key::PageDown; return true;
    case SDLK_HOME: key = Key::Home; return true;
    case SDLK_END: key = Key::End; return true;
    case SDLK_BACKSPACE: key = Key::Backspace; return true;
    case SDLK_DELETE: key = Key::Delete; return true;
    case SDLK_TAB: key = Key::Tab; return true;
    default: return false;
    }
}
}  // namespace

SdlBackend::SdlBackend() : s_(std::make_unique<State>()) {}

SdlBackend::~SdlBackend() {
    for (auto &t : s_->timers) SDL_RemoveTimer(t.second);
    if (s_->arrow) SDL_FreeCursor(s_->arrow);
    if (s_->wait) SDL_FreeCursor(s_->wait);
    if (s_->window) SDL_DestroyWindow(s_->window);
    if (s_->initialised) SDL_Quit();
}

int SdlBackend::chooseScale(int requested) {
    if (requested >= 1 && requested <= 4) return requested;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 1;
    int scale = 2;
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) == 0) {
        scale = std::min(r.w / kScreenWidth, (r.h - 40) / kScreenHeight);  // room for the window's own title
        scale = std::max(1, std::min(4, scale));
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return scale;
}

bool SdlBackend::start(const Canvas &canvas) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "vandrel: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    s_->initialised = true;
    s_->scale = canvas.scale();
    s_->window = SDL_CreateWindow("Vandrel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, canvas.deviceWidth(),
                                  canvas.deviceHeight(), SDL_WINDOW_SHOWN);
    if (!s_->window) {
        std::fprintf(stderr, "vandrel: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    s_->arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    s_->wait = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_StartTextInput();
    return true;
}

void SdlBackend::blit(const Canvas &canvas, bool inverted) {
    SDL_Surface *surface = SDL_GetWindowSurface(s_->window);
    if (!surface) return;
    const Color *pixels = canvas.pixels();
    if (inverted) {
        s_->scratch.assign(pixels, pixels + size_t(canvas.deviceWidth()) * canvas.deviceHeight());
        for (Color &p : s_->scratch) p ^= 0x00FFFFFFu;
        pixels = s_->scratch.data();
    }
    int w = std::min(canvas.deviceWidth(), surface->w), h = std::min(canvas.deviceHeight(), surface->h);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, pixels, canvas.deviceWidth() * 4, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(s_->window);
}

void SdlBackend::present(const Canvas &canvas) {
    s_->last = &canvas;
    blit(canvas, false);
}

void SdlBackend::flash(const Canvas &canvas) {
    blit(canvas, true);
    SDL_Delay(60);
    blit(canvas, false);
}

bool SdlBackend::translate(const void *raw, Event &out) {
    const SDL_Event &e = *static_cast<const SDL_Event *>(raw);
    int s = s_->scale;
    out = Event{};
    switch (e.type) {
    case SDL_QUIT: out.type = Event::Type::Quit; return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT) return false;
        out.pt = {e.button.x / s, e.button.y / s};
        if (e.type == SDL_MOUSEBUTTONUP)
            out.type = Event::Type::PenUp;
        else
            out.type = e.button.clicks >= 2 ? Event::Type::DoubleTap : Event::Type::PenDown;
        return true;
    case SDL_MOUSEMOTION:
        if (!(e.motion.state & SDL_BUTTON_LMASK)) return false;
        out.type = Event::Type::PenMove;
        out.pt = {e.motion.x / s, e.motion.y / s};
        return true;
    case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        out.type = Event::Type::Wheel;
        out.amount = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        out.pt = {x / s, y / s};
        return out.amount != 0;
    }
    case SDL_TEXTINPUT:
        out.type = Event::Type::Text;
        out.text = fromUtf8(e.text.text);
        return !out.text.empty();
    case SDL_KEYDOWN: {
        Uint16 m = e.key.keysym.mod;
        out.type = Event::Type::KeyPress;
        out.mods = ((m & KMOD_SHIFT) ? kShift : 0) | ((m & KMOD_CTRL) ? kCtrl : 0) | ((m & KMOD_ALT) ? kAlt : 0);
        if (mapKey(e.key.keysym.sym, out.key)) return true;
        SDL_Keycode k = e.key.keysym.sym;
        if ((out.mods & (kCtrl | kAlt)) && ((k >= 'a' && k <= 'z') || (k >= '0' && k <= '9'))) {
            out.key = Key::Char;
            out.ch = char32_t(k);
            return true;
        }
        return false;
    }
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED && s_->last) blit(*s_->last, false);
        return false;
    case SDL_USEREVENT:
        out.type = Event::Type::Timer;
        out.timer = e.user.code;
        return s_->timers.count(out.timer) != 0;
    default: return false;
    }
}

Event SdlBackend::next() {
    SDL_Event e;
    Event out;
    for (;;) {
        if (!SDL_WaitEvent(&e)) return Event{};
        if (translate(&e, out)) return out;
    }
}

uint64_t SdlBackend::now() { return SDL_GetTicks64(); }

void SdlBackend::startTimer(int id, int intervalMs) {
    stopTimer(id);
    SDL_TimerID t = SDL_AddTimer(Uint32(std::max(1, intervalMs)), postTimer, reinterpret_cast<void *>(intptr_t(id)));
    if (t) s_->timers[id] = t;
}

void SdlBackend::stopTimer(int id) {
    auto it = s_->timers.find(id);
    if (it == s_->timers.end()) return;
    SDL_RemoveTimer(it->second);
    s_->timers.erase(it);
}

void SdlBackend::setTitle(const std::string &title) {
    if (s_->window) SDL_SetWindowTitle(s_->window, title.c_str());
}

void SdlBackend::setWaitCursor(bool on) {
    SDL_Cursor *c = on ? s_->wait : s_->arrow;
    if (c) SDL_SetCursor(c);
}

}  // namespace vp
