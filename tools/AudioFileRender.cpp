#include "tools/AudioFileRender.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/CliSupport.h"

namespace tesselor::tools {

namespace {

constexpr double kProgressAfterS = 5.0;  // files shorter than this get no progress bar

struct Extension {
    const char* name;
    const char* means;  // the extension libsndfile lists for the container
    int encoding;       // tried first when not 0
};
// Names people use that libsndfile lists under another one, or that imply an encoding.
constexpr Extension kAliases[] = {
    {"aif", "aiff", 0},
    {"aifc", "aiff", 0},
    {"snd", "au", 0},
    {"ogg", "oga", SF_FORMAT_VORBIS},
    {"oga", "oga", SF_FORMAT_VORBIS},
    {"opus", "oga", SF_FORMAT_OPUS},
    {"mp3", "m1a", SF_FORMAT_MPEG_LAYER_III},
};

// The libsndfile format for `outPath`, or 0 with `error` set.
int OutputFormat(const SF_INFO& in, const std::string& inPath, const std::string& outPath,
                 std::string* error) {
    std::string ext = Lower(std::filesystem::path(outPath).extension().string());
    if (ext.empty() || ext == Lower(std::filesystem::path(inPath).extension().string()))
        return in.format;
    ext.erase(0, 1);
    std::string listed = ext;
    int preferred = 0;
    for (const Extension& alias : kAliases) {
        if (ext == alias.name) {
            listed = alias.means;
            preferred = alias.encoding;
        }
    }
    int major = 0;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count && major == 0; ++i) {
        SF_FORMAT_INFO info = {};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.extension && listed == info.extension) major = info.format;
    }
    // A WAV under an unknown name would be a trap: players and DAWs go by the name.
    if (major == 0) {
        *error = outPath + ": '." + ext +
                 "' is no audio format this tool writes (use .wav, .flac, .aiff, .ogg, ...)";
        return 0;
    }
    if (major == (in.format & SF_FORMAT_TYPEMASK) && preferred == 0) return in.format;
    SF_INFO probe = in;
    for (int sub : {preferred, in.format & SF_FORMAT_SUBMASK, int(SF_FORMAT_PCM_24),
                    int(SF_FORMAT_PCM_16), int(SF_FORMAT_FLOAT), int(SF_FORMAT_VORBIS)}) {
        probe.format = major | sub;
        if (sub != 0 && sf_format_check(&probe)) return probe.format;
    }
    *error = outPath + ": cannot write '." + ext + "' with " + std::to_string(in.channels) +
             " channel(s) at " + std::to_string(in.samplerate) + " Hz";
    return 0;
}

void ShowProgress(double done01) {
    constexpr int kWidth = 40;  // characters
    const int filled = static_cast<int>(done01 * kWidth);
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), static_cast<int>(done01 * 100.0));
    std::fflush(stderr);
}

}  // namespace

struct AudioFileRender::Impl {
    SNDFILE* in = nullptr;
    SF_INFO inInfo = {};
    int outFormat = 0;
    std::string inPath;
    std::string outPath;
    double audioS = 0.0;
    double renderS = 0.0;
};

AudioFileRender::AudioFileRender() : _impl(std::make_unique<Impl>()) {}

AudioFileRender::~AudioFileRender() {
    if (_impl->in) sf_close(_impl->in);
}

std::unique_ptr<AudioFileRender> AudioFileRender::Open(const std::string& inPath,
                                                       const std::string& outPath,
                                                       std::string* error) {
    std::error_code ec;
    if (!std::filesystem::exists(inPath, ec)) {
        *error = "no such file: " + inPath;
        return nullptr;
    }
    std::unique_ptr<AudioFileRender> render(new AudioFileRender);
    Impl& d = *render->_impl;
    d.in = sf_open(inPath.c_str(), SFM_READ, &d.inInfo);
    if (!d.in) {
        *error = inPath + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    if (d.inInfo.channels != 1 && d.inInfo.channels != 2) {
        *error = inPath + " has " + std::to_string(d.inInfo.channels) +
                 " channels; only mono and stereo are supported";
        return nullptr;
    }
    d.outFormat = OutputFormat(d.inInfo, inPath, outPath, error);
    if (d.outFormat == 0) return nullptr;
    d.inPath = inPath;
    d.outPath = outPath;
    return render;
}

int AudioFileRender::Channels() const { return _impl->inInfo.channels; }
int AudioFileRender::SampleRateHz() const { return _impl->inInfo.samplerate; }
double AudioFileRender::AudioSeconds() const { return _impl->audioS; }
double AudioFileRender::RenderSeconds() const { return _impl->renderS; }

bool AudioFileRender::Run(HostedPlugin& plugin, int block, ParamChanges* firstBlock, int outFd,
                          std::string* error) {
    Impl& d = *_impl;
    SF_INFO outInfo = d.inInfo;
    outInfo.format = d.outFormat;
    outInfo.frames = 0;
    SNDFILE* out = sf_open_fd(outFd, SFM_WRITE, &outInfo, SF_FALSE);
    if (!out) {
        *error = d.outPath + ": " + sf_strerror(nullptr);
        return false;
    }
    // Float input read back as float must not be clipped on the way out either.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const int channels = d.inInfo.channels;
    std::vector<float> interleaved(static_cast<std::size_t>(block) * channels);
    std::vector<std::vector<float>> inputs(channels, std::vector<float>(block));
    std::vector<std::vector<float>> outputs(channels, std::vector<float>(block));
    float* inPtr[2] = {};
    float* outPtr[2] = {};
    for (int c = 0; c < channels; ++c) {
        inPtr[c] = inputs[c].data();
        outPtr[c] = outputs[c].data();
    }

    const sf_count_t frames = d.inInfo.frames;
    const bool progress = isatty(STDERR_FILENO) && frames > kProgressAfterS * d.inInfo.samplerate;
    const auto start = std::chrono::steady_clock::now();
    sf_count_t total = 0;
    int lastPercent = -1;
    bool ok = true;
    while (ok) {
        const sf_count_t got = sf_readf_float(d.in, interleaved.data(), block);
        if (got <= 0) break;
        const int n = static_cast<int>(got);
        for (int f = 0; f < n; ++f) {
            for (int c = 0; c < channels; ++c)
                inputs[c][f] = interleaved[static_cast<std::size_t>(f) * channels + c];
        }
        if (!plugin.Process(inPtr, outPtr, n, total == 0 ? firstBlock : nullptr)) {
            *error = "the plug-in failed to process a block";
            ok = false;
            break;
        }
        for (int f = 0; f < n; ++f) {
            for (int c = 0; c < channels; ++c)
                interleaved[static_cast<std::size_t>(f) * channels + c] = outputs[c][f];
        }
        if (sf_writef_float(out, interleaved.data(), got) != got) {
            *error = d.outPath + ": " + sf_strerror(out);
            ok = false;
            break;
        }
        total += got;
        const int percent = frames > 0 ? static_cast<int>(100 * total / frames) : 0;
        if (progress && percent != lastPercent) {
            ShowProgress(std::min(1.0, static_cast<double>(total) / static_cast<double>(frames)));
            lastPercent = percent;
        }
    }
    if (progress) std::fprintf(stderr, "\n");
    if (ok && sf_error(d.in) != SF_ERR_NO_ERROR) {
        *error = d.inPath + ": " + sf_strerror(d.in);
        ok = false;
    }
    // Closing writes the header's final sizes and, for compressed formats, the last frames.
    const int closed = sf_close(out);
    if (ok && closed != 0) {
        *error = d.outPath + ": " + sf_error_number(closed);
        ok = false;
    }
    d.renderS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    d.audioS = static_cast<double>(total) / d.inInfo.samplerate;
    return ok;
}

}  // namespace tesselor::tools
