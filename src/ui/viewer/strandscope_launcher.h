#pragma once

class QWidget;
class PickerServices;
namespace lirovane {
class ProfileStore;
}

// Runs the Strandscope viewer modally over `parent` and returns when it closes.
// The viewer reads only "Path" from the store.
void RunStrandscopeViewer(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store);
