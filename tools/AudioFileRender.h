#pragma once

#include <memory>
#include <string>

#include "tools/HostServices.h"
#include "tools/HostedPlugin.h"

namespace tesselor::tools {

// One audio file run through a hosted plug-in into another, block by block.
class AudioFileRender {
public:
    // Opens `inPath` (mono or stereo, any format libsndfile reads) and chooses the format for
    // `outPath`: the input's own when the extensions match or the output has none, else the
    // container its extension names with the input's encoding if that container takes it, else
    // 24-bit, 16-bit, float or Vorbis. Null with `error` set when the input cannot be read, or
    // when the extension names nothing libsndfile writes or no encoding fits.
    static std::unique_ptr<AudioFileRender> Open(const std::string& inPath,
                                                 const std::string& outPath, std::string* error);
    ~AudioFileRender();
    AudioFileRender(const AudioFileRender&) = delete;
    AudioFileRender& operator=(const AudioFileRender&) = delete;

    int Channels() const;
    int SampleRateHz() const;

    // Runs every frame through `plugin` (prepared for this file's rate and channel count, blocks
    // of at most `block` frames) and writes the result through `outFd`, which stays open.
    // `firstBlock` applies at the start of the first block. Shows a progress bar on a terminal
    // for long files.
    bool Run(HostedPlugin& plugin, int block, ParamChanges* firstBlock, int outFd,
             std::string* error);

    double AudioSeconds() const;   // rendered, s
    double RenderSeconds() const;  // wall-clock time Run took, s

private:
    AudioFileRender();

    struct Impl;
    std::unique_ptr<Impl> _impl;
};

}  // namespace tesselor::tools
