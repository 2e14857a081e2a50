#include "platform/win32/win32_sound_input.h"

namespace kest::platform::win32 {

Win32SoundInput::~Win32SoundInput() { Close(); }

SoundOpen Win32SoundInput::Open(const SoundFormat& format) {
    Close();
    if (waveInGetNumDevs() == 0) return SoundOpen::NoDevice;
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.samplesPerSecond;
    wave.wBitsPerSample = format.bitsPerSample;
    wave.nBlockAlign = static_cast<WORD>(format.BlockAlign());
    wave.nAvgBytesPerSec = format.BytesPerSecond();
    const MMRESULT opened = waveInOpen(&device_, WAVE_MAPPER, &wave, 0, 0, CALLBACK_NULL);
    if (opened != MMSYSERR_NOERROR) {
        device_ = nullptr;
        return opened == MMSYSERR_BADDEVICEID || opened == MMSYSERR_NODRIVER ? SoundOpen::NoDevice
                                                                              : SoundOpen::Failed;
    }
    const std::size_t bytes = static_cast<std::size_t>(format.BytesPerSecond()) * kBufferMilliseconds / 1000 /
                              format.BlockAlign() * format.BlockAlign();
    for (int i = 0; i < kBuffers; ++i) {
        buffers_[i].assign(bytes, 0);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = reinterpret_cast<LPSTR>(buffers_[i].data());
        headers_[i].dwBufferLength = static_cast<DWORD>(bytes);
        if (waveInPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            Close();
            return SoundOpen::Failed;
        }
    }
    failed_ = false;
    return SoundOpen::Opened;
}

bool Win32SoundInput::Queue(int index) {
    headers_[index].dwBytesRecorded = 0;
    headers_[index].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
    if (waveInAddBuffer(device_, &headers_[index], sizeof(WAVEHDR)) == MMSYSERR_NOERROR) return true;
    failed_ = true;
    return false;
}

bool Win32SoundInput::Start() {
    if (!device_ || failed_) return false;
    if (running_) return true;
    // A stop hands every buffer back, so each start queues them all again, in order.
    next_ = 0;
    for (int i = 0; i < kBuffers; ++i) {
        if (!Queue(i)) return false;
    }
    if (waveInStart(device_) != MMSYSERR_NOERROR) {
        failed_ = true;
        return false;
    }
    running_ = true;
    return true;
}

void Win32SoundInput::TakeDone(std::vector<std::uint8_t>& samples) {
    // The device fills the buffers in the order they were queued; the flag is written by the
    // device's own thread.
    for (int taken = 0; taken < kBuffers; ++taken) {
        const WAVEHDR& header = headers_[next_];
        if ((*static_cast<volatile const DWORD*>(&header.dwFlags) & WHDR_DONE) == 0) return;
        const std::uint8_t* data = buffers_[next_].data();
        samples.insert(samples.end(), data, data + header.dwBytesRecorded);
        if (running_ && !Queue(next_)) return;
        next_ = (next_ + 1) % kBuffers;
    }
}

void Win32SoundInput::Stop() {
    if (!device_ || !running_) return;
    // A reset ends the buffer being filled with what it has and returns the rest empty.
    running_ = false;
    waveInReset(device_);
    TakeDone(stopped_);
}

bool Win32SoundInput::Read(std::vector<std::uint8_t>& samples) {
    samples.insert(samples.end(), stopped_.begin(), stopped_.end());
    stopped_.clear();
    if (!device_ || failed_) return false;
    if (running_) TakeDone(samples);
    return !failed_;
}

void Win32SoundInput::Close() {
    if (!device_) return;
    waveInReset(device_);
    for (auto& header : headers_) {
        if (header.dwFlags & WHDR_PREPARED) waveInUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    }
    waveInClose(device_);
    device_ = nullptr;
    running_ = false;
    stopped_.clear();
}

}  // namespace kest::platform::win32
