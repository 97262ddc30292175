#pragma once

namespace tesselor::framework {

// What the plug-in base asks of its attached editor. The GUI's editor class implements it; the
// base owns the editor and deletes it first when the plug-in goes away.
//
// Threads: SetControlsFromPlugin and SetParameterFromPlugin are called from the main thread (state
// and preset loads) and from the audio thread under PlugMutex (host automation, and a preset
// change arriving through process). Implementations only store values and mark controls dirty
// there: no allocation, no drawing, and no lock the UI thread holds while drawing, which itself
// never waits for PlugMutex. Drawing happens later on the editor's own timer.
class PluginEditor {
public:
    virtual ~PluginEditor() = default;

    // [main or audio thread] Every control bound to parameter `index` takes the normalised value,
    // and so does the first auxiliary link bound to it.
    virtual void SetControlsFromPlugin(int index, double normal) = 0;
    // [main or audio thread] After a preset or state load: `value` is plain unless
    // `isNormalised`; the editor converts it.
    virtual void SetParameterFromPlugin(int index, double value, bool isNormalised) = 0;
    // [main thread, PlugMutex held] Creates the drawing surfaces, once, when the plug-in attaches
    // the editor.
    virtual void PrepareDrawing() = 0;
    // [main thread] The host shows the editor in `parent`, a window of the platform's kind (an
    // HWND on Windows). Returns the editor's own window in it, or null when none was opened.
    virtual void* OpenEditorWindow(void* /*parent*/) { return nullptr; }
    // [main thread] The host hides the editor: its window goes, the editor and its values stay.
    virtual void CloseEditorWindow() {}
};

}  // namespace tesselor::framework
