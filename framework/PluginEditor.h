#pragma once

namespace tesselor::framework {

// What the plug-in base asks of its attached editor. The GUI's editor class implements it; the
// base owns the editor and deletes it first when the plug-in goes away.
//
// Threads: SetControlsFromPlugin is also called from the audio thread under PlugMutex when the
// host automates a parameter, so implementations only store values and mark controls dirty;
// drawing happens later on the editor's own timer.
class PluginEditor {
public:
    virtual ~PluginEditor() = default;

    // Every control bound to parameter `index` takes the normalised value, and so does the first
    // auxiliary link bound to it.
    virtual void SetControlsFromPlugin(int index, double normal) = 0;
    // After a preset or state load: `value` is plain unless `isNormalised`; the editor converts it.
    virtual void SetParameterFromPlugin(int index, double value, bool isNormalised) = 0;
    // Creates the drawing surfaces, once, when the plug-in attaches the editor.
    virtual void PrepareDrawing() = 0;
};

}  // namespace tesselor::framework
