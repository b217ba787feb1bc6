#pragma once
// The PC form: the toolbar above the PC tree and list, with its picture
// buttons (up a folder, new folder, delete, the two conversions, refresh)
// and the Quality and Type choices.

#include <QString>
#include <QWidget>
#include <map>

#include "application/panes/pane_window.h"

class QComboBox;

namespace vox::panes {
class CHoverButton;
}

namespace vox::app {

class CPelmarchDoc;

class CDirForm : public vox::panes::PaneWindow<QWidget> {
  public:
    // Control ids of the form's buttons and lists.
    enum Control {
        DirButton = 1004,
        UpFolder = 1010,
        CreateFolder = 1011,
        ConvertToWave = 1012,
        Delete = 1013,
        ConvertToDvf = 1014,
        Refresh = 1015,
        TypeList = 1016,
        QualityList = 1018,
    };

    explicit CDirForm(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CDirForm() override;

    // The Quality choice (-1 none) and the Type pattern, as the settings
    // keep them.
    int quality = -1;
    QString filter;

    // Takes the choices from the lists into `quality` and `filter`.
    void commitChoices();
    // Shows `quality` and `filter` in the lists.
    void showChoices();

    vox::panes::CHoverButton* button(Control id) const;
    QComboBox* qualityList() const { return quality_; }
    QComboBox* typeList() const { return type_; }

    // Opens the folder above the working directory; nothing at a drive's
    // root.
    void upFolder();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buttonClicked(Control id);

    CPelmarchDoc& doc_;
    std::map<Control, vox::panes::CHoverButton*> buttons_;
    QComboBox* quality_ = nullptr;
    QComboBox* type_ = nullptr;
    bool shown_ = false;
};

}  // namespace vox::app
