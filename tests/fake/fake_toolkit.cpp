#include "fake/fake_toolkit.h"

#include <algorithm>
#include <utility>

#include "fake/fake_platform.h"
#include "platform/little_endian.h"

namespace kest::fake {

bool FakePictureBox::SaveImage(const Text& path) {
    owner_.log.push_back("SaveImage " + Utf8(path));
    const std::uint8_t fill = backColor == 0 ? 0 : 0xFF;
    auto bytes = MakeBmp(WidthPixels(), HeightPixels(), owner_.displayBitCount, fill);
    auto opened = owner_.files.OpenForWriting(path);
    return opened.file && opened.file->WriteAt(0, bytes.data(), bytes.size());
}

bool FakePictureBox::ReadImage(platform::ImageBits& image) {
    owner_.log.push_back("ReadImage");
    image = {};
    if (readImageFails) return false;
    // The same pixels the frame file would hold, at the display's depth when read.
    const auto bmp = MakeBmp(WidthPixels(), HeightPixels(), owner_.displayBitCount, backColor == 0 ? 0 : 0xFF);
    const std::size_t offset = platform::ReadLE32(bmp.data() + 10);
    lentPixels.assign(bmp.begin() + static_cast<std::ptrdiff_t>(offset), bmp.end());
    image = {WidthPixels(), HeightPixels(), owner_.displayBitCount, lentPixels.data(),
             static_cast<std::int64_t>(lentPixels.size())};
    return true;
}

bool FakePictureBox::LoadClipboardBitmap() {
    owner_.log.push_back("LoadClipboardBitmap");
    if (!owner_.desktop.clipboardHasBitmap) return false;
    hasPicture = true;
    return true;
}

void FakePictureBox::PaintPicture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    owner_.log.push_back("PaintPicture " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
                         std::to_string(h));
}

// ---- forms ----

namespace {
// A captioned form's frame and caption, as a designed window with a title bar has them.
constexpr std::int32_t kFrameWidthTwips = 60;
constexpr std::int32_t kCaptionFrameHeightTwips = 385;
constexpr std::int32_t kMenuBarTwips = 300;
}  // namespace

FakeForm::FakeForm(FakePlatform& owner, Handle hwnd, platform::FormDesign d)
    : design(std::move(d)), caption(design.caption), owner_(owner), hwnd_(hwnd) {
    if (!design.borderless) {
        ncWidth = kFrameWidthTwips;
        ncHeight = kCaptionFrameHeightTwips;
    }
    bounds = {0, 0, design.widthTwips + ncWidth, design.heightTwips + ncHeight};
}

FakeForm::~FakeForm() {
    std::erase(owner_.toolkit.forms, this);
    owner_.toolkit.destroyed.insert(hwnd_);
}

void FakeForm::Close() { owner_.toolkit.posted.push_back(hwnd_); }

void FakeForm::SetCaption(const Text& value) {
    caption = value;
    owner_.log.push_back("SetCaption " + Utf8(value));
}

void FakeForm::SetWindowState(platform::WindowState value) {
    state = value;
    owner_.log.push_back(value == platform::WindowState::Minimized ? "Minimize" : "WindowState");
}

void FakeForm::Show() {
    visible = true;
    owner_.log.push_back("Show " + Utf8(caption));
}

std::unique_ptr<platform::PictureBox> FakeForm::CreatePictureBox(platform::Rect boundsTwips, platform::PictureBox*) {
    auto box = std::make_unique<FakePictureBox>(owner_);
    box->hwnd = hwnd_ + 1 + boxes.size() + labels.size();
    box->bounds = boundsTwips;
    box->SetSizeTwips(boundsTwips.right - boundsTwips.left, boundsTwips.bottom - boundsTwips.top);
    boxes.push_back(box.get());
    return box;
}

std::unique_ptr<platform::Label> FakeForm::CreateLabel(platform::Rect boundsTwips, const Text& text,
                                                       platform::PictureBox*) {
    auto label = std::make_unique<FakeLabel>();
    label->hwnd = hwnd_ + 1 + boxes.size() + labels.size();
    label->bounds = boundsTwips;
    label->caption = text;
    labels.push_back(label.get());
    return label;
}

std::unique_ptr<platform::Timer> FakeForm::CreateTimer() {
    auto timer = std::make_unique<FakeTimer>(&owner_.toolkit);
    owner_.toolkit.timers.push_back(timer.get());
    return timer;
}

FakeTimer::~FakeTimer() {
    if (owner_) std::erase(owner_->timers, this);
}

std::unique_ptr<platform::MenuItem> FakeForm::CreateMenuItem(platform::MenuItem* parent, const Text& text) {
    if (!parent && !hasMenu_) {
        hasMenu_ = true;
        ncHeight += kMenuBarTwips;
        bounds.bottom += kMenuBarTwips;
    }
    auto item = std::make_unique<FakeMenuItem>();
    item->parent = parent;
    item->caption = text;
    menuCaptions.push_back(text);
    return item;
}

// ---- toolkit ----

std::unique_ptr<platform::Form> FakeToolkit::CreateForm(const platform::FormDesign& design) {
    auto form = std::make_unique<FakeForm>(owner_, nextHwnd_, design);
    nextHwnd_ += 0x100;
    forms.push_back(form.get());
    return form;
}

platform::PictureRef FakeToolkit::LoadResourcePicture(const Text& name) {
    static const std::map<Text, std::pair<std::int32_t, std::int32_t>> sizes{
        {u"SKIN_BACKCAPTION", {1600, 23}},  {u"SKIN_ICON", {23, 23}},        {u"SKIN_RIGHTCAPTION", {101, 25}},
        {u"SKIN_TOOLBAR", {1600, 28}},      {u"SKIN_LEFTBORDER", {4, 1200}}, {u"SKIN_RIGHTBORDER", {4, 1200}},
        {u"SKIN_BOTTOMBORDER", {1600, 26}},
    };
    const auto it = sizes.find(name);
    const auto size = it == sizes.end() ? std::pair<std::int32_t, std::int32_t>{19, 19} : it->second;
    return std::make_shared<FakePicture>(name, size.first, size.second);
}

platform::MsgBoxResult FakeToolkit::MsgBox(const Text& text, platform::MsgBoxButtons buttons, platform::MsgBoxIcon icon,
                                           const Text& caption) {
    owner_.log.push_back("MsgBox " + Utf8(text));
    messages.push_back({text, buttons, icon, caption});
    if (onMessage) onMessage();
    if (!messageAnswers.empty()) {
        auto answer = messageAnswers.front();
        messageAnswers.erase(messageAnswers.begin());
        return answer;
    }
    return buttons == platform::MsgBoxButtons::YesNo ? platform::MsgBoxResult::No : platform::MsgBoxResult::Ok;
}

bool FakeToolkit::OpenWebPage(const Text& address) {
    owner_.log.push_back("OpenWebPage");
    webPagesOpened.push_back(address);
    return true;
}

void FakeToolkit::EndProcess() {
    owner_.log.push_back("EndProcess");
    ended = true;
}

void FakeToolkit::DoEvents() {
    ++doEventsCount;
    owner_.log.push_back("DoEvents");
    DeliverPosted();
    if (onDoEvents) onDoEvents();
}

void FakeToolkit::DeliverDueTicks() {
    const std::vector<FakeTimer*> running = timers;
    for (FakeTimer* timer : running) {
        if (std::find(timers.begin(), timers.end(), timer) != timers.end()) timer->Fire();
    }
}

bool FakeToolkit::WindowGone(Handle window) const {
    if (destroyed.count(window)) return true;
    return std::any_of(forms.begin(), forms.end(),
                       [&](const FakeForm* f) { return f->Hwnd() == window && f->unloaded; });
}

void FakeToolkit::DeliverPosted() {
    const std::vector<Handle> waiting = std::exchange(posted, {});
    for (const Handle hwnd : waiting) {
        const auto form = std::find_if(forms.begin(), forms.end(), [&](FakeForm* f) { return f->Hwnd() == hwnd; });
        if (form != forms.end()) (*form)->DeliverClose();
    }
}
}  // namespace kest::fake
