#pragma once
// The recorder form: the recorder's buttons (Download, Upload, Format,
// Delete, List Up, List Down, Cancel and the recorder picture), the Total
// and Current progress bars and the firmware version. The buttons only send
// requests to the main window; the form follows the recorder's presence and
// firmware, and enables or disables its controls around an operation.

#include <QGridLayout>
#include <QLabel>
#include <array>
#include <memory>

#include "application/panes/hover_button.h"
#include "application/panes/pane_window.h"
#include "application/panes/text_progress_ctrl.h"

namespace vox::app {

class CPelmarchDoc;
class FlashOperations;

class CFlashForm : public vox::panes::PaneWindow<QWidget> {
  public:
    // Control ids of the form.
    enum ControlId {
        kDownload = 1001,
        kUpload = 1002,
        kFormat = 1003,
        kPicture = 1005,
        kListUp = 1006,
        kListDown = 1007,
        kCancel = 1009,
        kDelete = 1014,
        kCurrentBar = 1015,
        kTotalBar = 1020,
        kVersionLabel = 1024,
    };
    explicit CFlashForm(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CFlashForm() override;

    // The transfers, formats, deletes and conversions the form shows.
    FlashOperations& operations() { return *operations_; }

    vox::panes::CHoverButton* button(ControlId id) const;
    vox::panes::TextProgressCtrl* totalBar() const { return total_; }
    vox::panes::TextProgressCtrl* currentBar() const { return current_; }
    QLabel* versionLabel() const { return version_; }
    int rememberedState() const { return state_; }

  protected:
    vox::app::LResult handleMessage(vox::app::Message message, vox::app::WParam wParam,
                                    vox::app::LParam lParam) override;

  private:
    struct ButtonSpec;
    void buildControls();
    vox::panes::TextProgressCtrl* addBar(QGridLayout* grid, int row, const char* key,
                                         const QString& name);
    void deviceState(int state);
    void enableControls(bool enable);
    bool reorderingFirmware() const;
    void clicked(ControlId id);
    void sendToFrame(vox::app::Message message, vox::app::WParam wParam);

    CPelmarchDoc& doc_;
    std::array<vox::panes::CHoverButton*, 8> buttons_{};
    std::array<ControlId, 8> ids_{};
    vox::panes::TextProgressCtrl* total_ = nullptr;
    vox::panes::TextProgressCtrl* current_ = nullptr;
    QLabel* version_ = nullptr;
    int state_ = -1;
    std::unique_ptr<FlashOperations> operations_;
};

}  // namespace vox::app
