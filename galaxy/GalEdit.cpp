#include "galaxy/GalEdit.h"

#include <algorithm>

#include <QComboBox>
#include <QFontMetrics>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/PropertyEditRules.h"
#include "platform/Ui.h"

using kz::Variant;
using namespace mdlGalEdit;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

template <class T>
T* Named(T* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

}  // namespace

frmGalEdit::frmGalEdit(QWidget* parent) : QDialog(parent) {
  setObjectName("frmGalEdit");
  setWindowTitle("Value Edit");

  Label1 = Named(new QLabel("Property name", this), "Label1");
  cmbPropNames = Named(new QComboBox(this), "cmbPropNames");
  PropNameEdit = Named(new QLineEdit(this), "PropNameEdit");
  PropNameEdit->setReadOnly(true);
  lblValue = Named(new QLabel("Value", this), "lblValue");
  ValEdit = Named(new QLineEdit(this), "ValEdit");
  cmbValue = Named(new QComboBox(this), "cmbValue");
  ColorPreview = Named(new QLabel(this), "ColorPreview");
  ColorPreview->setFixedSize(24, 20);
  ColorPreview->setAutoFillBackground(true);
  ColorPreview->setFrameShape(QFrame::Box);
  btnColorBrowse = Named(new QPushButton("...", this), "btnColorBrowse");
  btnColorBrowse->setFixedWidth(28);

  NameGroup = Named(new QGroupBox(this), "NameGroup");
  rbName[0] = Named(new QRadioButton("Name", NameGroup), "rbName_0");
  rbName[1] = Named(new QRadioButton("ID", NameGroup), "rbName_1");
  LenGroup = Named(new QGroupBox(this), "LenGroup");
  rbLen[0] = Named(new QRadioButton("Meters", LenGroup), "rbLen_0");
  rbLen[1] = Named(new QRadioButton("Game units", LenGroup), "rbLen_1");
  rbLen[2] = Named(new QRadioButton("Miles", LenGroup), "rbLen_2");
  FormatGroup = Named(new QGroupBox(this), "FormatGroup");
  rbFormat[0] = Named(new QRadioButton("Decadic", FormatGroup), "rbFormat_0");
  rbFormat[1] = Named(new QRadioButton("Hexa", FormatGroup), "rbFormat_1");
  auto row = [](QGroupBox* g, std::initializer_list<QRadioButton*> buttons) {
    auto* l = new QHBoxLayout(g);
    for (QRadioButton* b : buttons) l->addWidget(b);
    l->addStretch();
  };
  row(NameGroup, {rbName[0], rbName[1]});
  row(LenGroup, {rbLen[0], rbLen[1], rbLen[2]});
  row(FormatGroup, {rbFormat[0], rbFormat[1]});

  btnOK = Named(new QPushButton("OK", this), "btnOK");
  btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");
  btnOK->setDefault(true);
  btnOK->setAutoDefault(true);
  btnCancel->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(cmbPropNames, 0, 1, 1, 3);
  grid->addWidget(PropNameEdit, 0, 1, 1, 3);  // the two lie on one another; one is shown
  grid->addWidget(lblValue, 1, 0);
  grid->addWidget(ValEdit, 1, 1);
  grid->addWidget(cmbValue, 1, 1);
  grid->addWidget(ColorPreview, 1, 2);
  grid->addWidget(btnColorBrowse, 1, 3);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* main = new QVBoxLayout(this);
  main->addLayout(grid);
  main->addWidget(NameGroup);
  main->addWidget(LenGroup);
  main->addWidget(FormatGroup);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(360);

  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(btnColorBrowse, &QPushButton::clicked, this, [this] { BrowseColour(); });
  connect(ValEdit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
  connect(cmbPropNames, qOverload<int>(&QComboBox::activated), this, [this] { PropertyNameChosen(); });
  for (QRadioButton* b : rbName)
    connect(b, &QRadioButton::clicked, this, [this] { ApplyNameOption(); });
  for (QRadioButton* b : rbLen)
    connect(b, &QRadioButton::clicked, this, [this] { ApplyUnitOption(); });
  for (QRadioButton* b : rbFormat)
    connect(b, &QRadioButton::clicked, this, [this] { ApplyFormatOption(); });
  ValEdit->installEventFilter(this);
}

frmGalEdit::~frmGalEdit() = default;

const Variant& frmGalEdit::WorkingValue() const {
  static const Variant kNone;
  return work_ ? work_->Value : kNone;
}

bool frmGalEdit::IsSector() const { return obj_ && obj_->otype() == mdlGalaxy::kGalSector; }

void frmGalEdit::NewProperty(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj,
                             const PropertyPtr& prop, bool modal, QWidget* owner) {
  try {
    obj_ = obj;
    FillPropertyNames();
    cmbPropNames->show();
    PropNameEdit->hide();
    newProperty_ = true;
    PrepareDialog(parser, obj, prop, modal, owner);
  } catch (const std::exception& e) {
    Warn(e.what());
  }
}

void frmGalEdit::ShowProperty(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj,
                              const PropertyPtr& prop, bool modal, QWidget* owner) {
  try {
    if (!mdlGalaxy::GalaxyTablesFilled()) mdlGalaxy::InitGalaxyTables();
    cmbPropNames->hide();
    PropNameEdit->show();
    FitNameBox();
    PropNameEdit->setText(Q(prop ? GetAttrCaption(prop->Name) : std::string()));
    newProperty_ = false;
    PrepareDialog(parser, obj, prop, modal, owner);
  } catch (const std::exception& e) {
    Warn(e.what());
  }
}

// The dialog keeps its size fixed to what its parts ask for, so the name box asks for
// room for the longest property name there is: a name is never cut.
void frmGalEdit::FitNameBox() {
  int widest = 0;
  const QFontMetrics metrics = PropNameEdit->fontMetrics();
  for (int32_t i = 0; i <= mdlGalaxy::GalaxyAttrCaptions.UBound(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(Q(mdlGalaxy::GalaxyAttrCaptions.At(i))));
  const QMargins text = PropNameEdit->textMargins();
  // The frame and the line edit's own inner margin take a few pixels on each side.
  PropNameEdit->setMinimumWidth(widest + text.left() + text.right() + 2 * metrics.averageCharWidth() + 8);
}

void frmGalEdit::FillPropertyNames() {
  if (!mdlGalaxy::GalaxyTablesFilled()) mdlGalaxy::InitGalaxyTables();
  cmbPropNames->clear();
  const kz::NameTable& names = mdlGalaxy::GalaxyAttrNames;
  for (int32_t i = 0; i <= mdlGalaxy::GalaxyAttrCaptions.UBound(); ++i)
    if (!obj_ || !obj_->Property(std::string_view(names.At(i))))
      cmbPropNames->addItem(Q(mdlGalaxy::GalaxyAttrCaptions.At(i)), i);
  cmbPropNames->setCurrentIndex(-1);
}

void frmGalEdit::PrepareDialog(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj,
                               const PropertyPtr& prop, bool modal, QWidget* owner) {
  obj_ = obj;
  prop_ = prop;
  parser_ = parser;
  work_ = prop ? prop->Clone() : std::make_shared<clsProperty>();
  original_ = work_->Value;
  // Every use starts with IDs, metres and hexadecimal.
  names_ = false;
  unit_ = kMetres;
  hexa_ = false;
  rbName[1]->setChecked(true);
  rbLen[0]->setChecked(true);
  rbFormat[1]->setChecked(true);
  FillValueList(false);
  ArrangeControls();
  if (kind_ == kList) ApplyNameOption();
  if (kind_ == kDistance) ApplyUnitOption();
  if (kind_ == kAngle) ApplyFormatOption();
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Dialog);
  if (modal) {
    exec();
  } else {
    setModal(false);
    show();
  }
}

void frmGalEdit::FillValueList(bool keepSelection) {
  const int32_t otype = obj_ ? obj_->otype() : 0;
  kind_ = ValueKindOf(work_->Name, otype);
  listNames_ = kz::NameTable();
  listValues_ = kz::NameTable();
  if (kind_ == kList && !BuildValueList(work_->Name, otype, parser_.get(), names_, listNames_, listValues_)) {
    // Without a list source (a subtype with no type file or no document) the subtype
    // is typed as a number.
    kind_ = kNumber;
  }
  const int32_t kept = keepSelection ? cmbValue->currentIndex() : -1;
  filling_ = true;
  kz::FillCombo(cmbValue, listNames_);
  filling_ = false;
  if (kind_ != kList) {
    SetValueText(FormatValueText(kind_, work_->Name, IsSector(), unit_, hexa_, work_->Value));
  } else if (keepSelection) {
    cmbValue->setCurrentIndex(kept < cmbValue->count() ? kept : -1);
  } else {
    SelectListValue();
  }
}

void frmGalEdit::SelectListValue() {
  const int32_t at = ListPositionOf(work_->Value, listValues_);
  if (at == -1 || !kz::SelectComboByItemData(cmbValue, at)) cmbValue->setCurrentIndex(-1);
}

void frmGalEdit::ArrangeControls() {
  const bool colour = kind_ == kColour, list = kind_ == kList;
  btnColorBrowse->setVisible(colour);
  ColorPreview->setVisible(colour);
  NameGroup->setVisible(list);
  cmbValue->setVisible(list);
  LenGroup->setVisible(kind_ == kDistance);
  FormatGroup->setVisible(kind_ == kAngle);
  ValEdit->setVisible(!list);
  if (!cmbPropNames->isHidden())
    cmbPropNames->setFocus();
  else if (!ValEdit->isHidden())
    ValEdit->setFocus();
  else
    cmbValue->setFocus();
  UpdatePreview();
}

void frmGalEdit::SetValueText(const std::string& text) {
  shownText_ = text;
  ValEdit->setText(Q(text));
}

bool frmGalEdit::ReadValueText(Variant& value, std::string& message) const {
  message.clear();
  const std::string text = ValEdit->text().toStdString();
  // A number shown and left as it is stays exactly what it was.
  if (text == shownText_ && work_->Value.IsNumeric()) {
    value = work_->Value;
    return true;
  }
  return ParseValueText(kind_, work_->Name, IsSector(), unit_, hexa_, text, value, message);
}

void frmGalEdit::ApplyNameOption() {
  names_ = rbName[0]->isChecked();
  FillValueList(true);
}

void frmGalEdit::ApplyUnitOption() {
  Variant v;
  std::string message;
  work_->Value = ReadValueText(v, message) ? v : Variant(int32_t{0});
  for (int32_t i = 0; i < 3; ++i)
    if (rbLen[static_cast<size_t>(i)]->isChecked()) unit_ = i;
  SetValueText(FormatValueText(kind_, work_->Name, IsSector(), unit_, hexa_, work_->Value));
}

void frmGalEdit::ApplyFormatOption() {
  Variant v;
  std::string message;
  work_->Value = ReadValueText(v, message) ? v : Variant(int32_t{0});
  hexa_ = rbFormat[1]->isChecked();
  SetValueText(FormatValueText(kind_, work_->Name, IsSector(), unit_, hexa_, work_->Value));
}

void frmGalEdit::PropertyNameChosen() {
  try {
    const int32_t i = kz::GetComboItemData(cmbPropNames);
    if (i == -1) return;
    work_->Name = mdlGalaxy::GalaxyAttrNames.At(i);
    FillValueList(false);
    ArrangeControls();
  } catch (const std::exception& e) {
    Warn(e.what());
  }
}

void frmGalEdit::UpdatePreview() {
  if (kind_ != kColour || !work_) return;
  const QString text = ValEdit->text();
  if (!kz::IsHexString(text.toStdString())) return;
  const int32_t screen = kz::BGRToRGB(kz::HexToLong(text.toStdString()));
  QPalette p = ColorPreview->palette();
  p.setColor(QPalette::Window, QColor(screen & 0xFF, (screen >> 8) & 0xFF, (screen >> 16) & 0xFF));
  ColorPreview->setPalette(p);
}

void frmGalEdit::BrowseColour() {
  try {
    int32_t chosen = 0;
    const int32_t start = kz::BGRToRGB(kz::HexToLong(ValEdit->text().toStdString()));
    if (!platform::Ui::Instance().ShowColor(start, chosen, this)) return;
    ValEdit->setText(Q(kz::ToHex(kz::RGBToBGR(chosen), 6)));
  } catch (const std::exception&) {
    // A failing picker changes nothing.
  }
}

void frmGalEdit::Warn(const std::string& text) {
  platform::Ui::Instance().MsgBox(text, platform::vbExclamation, kz::GetAppTitle(), this);
}

void frmGalEdit::OK() {
  try {
    if (!work_) return;
    Variant value;
    if (kind_ == kList) {
      const int32_t at = kz::GetComboItemData(cmbValue);
      if (cmbValue->currentIndex() < 0) {
        Warn("You must select value from the list.");
        return;
      }
      value = Variant(listValues_.At(at));
      if (work_->Name == "t" && value == Variant("1")) {
        Warn("You cannot change type of non sector object to \"sector\".");
        return;
      }
    } else {
      std::string message;
      if (!ReadValueText(value, message)) {
        Warn(message.empty() ? "Entered value is invalid." : message);
        return;
      }
    }
    if (newProperty_) {
      if (cmbPropNames->currentIndex() < 0) {
        Warn("You must select property name.");
        return;
      }
      work_->Name = mdlGalaxy::GalaxyAttrNames.At(kz::GetComboItemData(cmbPropNames));
    }
    work_->Value = value;
    if (prop_) work_->CopyTo(*prop_);
    if (obj_ && ValueChanged(original_, value)) obj_->Dirty = true;
    Finish(1);
  } catch (const std::exception& e) {
    Warn(e.what());
  }
}

void frmGalEdit::Cancel() { Finish(2); }

void frmGalEdit::Finish(int32_t result) {
  ModalResult = result;
  done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

bool frmGalEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ValEdit && event->type() == QEvent::FocusIn) kz::SelectAllText(ValEdit);
  return QDialog::eventFilter(watched, event);
}

void frmGalEdit::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    Cancel();
    return;
  }
  QDialog::keyPressEvent(e);
}
