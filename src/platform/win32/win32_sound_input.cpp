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
        return opened == MMSYSERR_BADDEVICEID || opened == MMSYSERR_NODRIVER ? SoundOpen::NoDevice : SoundOpen::Failed;
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
    blockAlign_ = format.BlockAlign();
    samplesPerSecond_ = format.samplesPerSecond;
    bufferBlocks_ = static_cast<std::int64_t>(bytes / blockAlign_);
    positionTrusted_ = true;
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
    // A stop hands every buffer back, so each start queues them all again, in order; the
    // device's position starts again from zero.
    next_ = 0;
    handedInRun_ = 0;
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
        handedInRun_ += header.dwBytesRecorded / blockAlign_;
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

std::int64_t Win32SoundInput::Position() {
    if (!device_ || !running_ || failed_ || !positionTrusted_) return handedInRun_;
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveInGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) return handedInRun_;
    std::int64_t position = 0;
    switch (time.wType) {
        case TIME_SAMPLES: position = time.u.sample; break;
        case TIME_BYTES: position = time.u.cb / blockAlign_; break;
        case TIME_MS: position = static_cast<std::int64_t>(time.u.ms) * samplesPerSecond_ / 1000; break;
        default: positionTrusted_ = false; return handedInRun_;
    }
    // Only the buffer being filled, and one that filled since the last read, hold samples not
    // handed over. A position outside that counts something else: a driver that converts the rate
    // may count the device's own samples, which stray past it within two seconds even from 44.1
    // to 48 kHz. So it is used only once it has kept to that for two seconds of the run, and never
    // again once it has not.
    const std::int64_t unread = position - handedInRun_;
    if (unread < 0 || unread > 2 * bufferBlocks_) {
        positionTrusted_ = false;
        return handedInRun_;
    }
    return handedInRun_ >= 2 * samplesPerSecond_ ? position : handedInRun_;
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
