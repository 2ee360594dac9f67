// The four information fields: decoding the stored answer and the device-information refresh.
#include "CTandrelDlg.h"
#include "Texts.h"

namespace tandrel {

void CTandrelDlg::ShowDeviceInfo(bool connected) {
    const DeviceTexts texts =
        decodeDeviceInfo(receiver_.lastReport(), connected, receiver_.lastNames());
    modelText = fieldText(texts.modelText);
    firmwareText = fieldText(texts.firmwareText);
    switchText = fieldText(texts.switchText);
    colourText = fieldText(texts.colourText);
    UpdateData(false);
}

void CTandrelDlg::ClearDeviceInfo() {
    modelText.clear();
    firmwareText.clear();
    switchText.clear();
    colourText.clear();
    UpdateData(false);
}

Task CTandrelDlg::RefreshDeviceInfo() {
    const StatusReading fresh = co_await receiver_.ReadReceiverStatus();
    if (fresh.result != ReceiverResult::Done) {
        // A tick that arrives while a box is open must not stack a second one on top.
        if (openMessageBoxes_ == 0) {
            reportFailure(fresh.result, text::kDeviceInfoFailed);
        }
        co_return;
    }
    // The fields come from the answer the receiver watch stored, not from this query.
    showLinkStatus(fresh.status);
}

} // namespace tandrel
