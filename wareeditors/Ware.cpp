#include "wareeditors/Ware.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "typefiles/Archive.h"
#include "typefiles/FieldTables.h"
#include "wareeditors/model/WareRules.h"
#include "wareeditors/model/WareViews.h"

namespace {

constexpr int kTwipsPerPixel = 15;
int Px(int twips) { return twips / kTwipsPerPixel; }
int Tw(int px) { return px * kTwipsPerPixel; }

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

const clsTXTObject& Need(const TXTObjectRef& r, const char* member) {
  if (!r) throw kz::AppError(91, std::string("ucWare.") + member, "Object variable not set");
  return *r;
}

// Clears the filling flag on every way out of a fill.
class FillingScope {
 public:
  explicit FillingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FillingScope() { flag_ = false; }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

ucWare::ColourEditor& ucWare::ColourEditHook() {
  static ColourEditor editor;
  return editor;
}

ucWare::ucWare(QWidget* parent) : EditorPage(parent), ware_(std::make_shared<clsWare>()) {
  // The shared tables of the ware-like types, in the order the page has always used.
  kz::InitLaserTables();
  kz::InitMissileTables();
  kz::InitShieldTables();
  kz::InitWareTables();
  kz::InitFactoryTables();
  kz::InitDockTables();
  kz::InitBulletTables();
  kz::InitSmallTypeTables();
  kz::InitNebulaTables();

  Bar = new QToolBar(this);
  Bar->setObjectName("Bar");
  Bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  Bar->setIconSize(QSize(16, 16));

  PropView = new QTreeWidget(this);
  PropView->setObjectName("PropView");
  PropView->setRootIsDecorated(false);
  PropView->setUniformRowHeights(true);
  PropView->setAllColumnsShowFocus(true);
  PropView->setColumnCount(3);
  PropView->setHeaderLabels({"Name", "Value", "[offset]"});
  PropView->setColumnWidth(0, Px(2800));
  PropView->setColumnWidth(1, Px(3600));
  PropView->installEventFilter(this);
  connect(PropView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { EditSelectedRow(); });

  FlagsFrame = new QGroupBox("Flags", this);
  FlagsFrame->setObjectName("FlagsFrame");
  FlagsFrame->setVisible(false);
  auto* first = new QCheckBox(FlagsFrame);
  first->setObjectName("chkFlag");
  first->setProperty("Index", 0);
  chkFlag.push_back(first);
  connect(first, &QCheckBox::clicked, this, [this] { FlagClick(0); });

  DescEdit = new QPlainTextEdit(this);
  DescEdit->setObjectName("DescEdit");
  DescEdit->setReadOnly(true);
  DescEdit->setFixedHeight(Px(900));

  IconImage = new QLabel(this);
  IconImage->setObjectName("IconImage");
  IconImage->setVisible(false);
  IconImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(Px(50));
  bottom->addWidget(DescEdit, 1);
  bottom->addWidget(IconImage, 0, Qt::AlignTop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, Px(50), 0);
  layout->setSpacing(Px(50));
  layout->addWidget(Bar);
  layout->addWidget(PropView, 1);
  layout->addWidget(FlagsFrame);
  layout->addLayout(bottom);
}

ucWare::~ucWare() { icons_.Release(); }

const TXTObjectRef& ucWare::Record() const { return ware_->Object; }

// ---- host members -----------------------------------------------------------------

bool ucWare::DoInit(TxtParserRef& parser) {
  parser_ = parser;
  if (!sizesFetched_) {
    lists_.cargoSizes = kz::GetWareSizeNames();
    sizesFetched_ = true;
  }
  return true;
}

bool ucWare::JvQueryInterfaceEx(int32_t& type) {
  Prepare(type);
  const bool answer = ware::HandlesType(type);
  if (answer) RebuildToolbar(type);
  return answer;
}

void ucWare::Prepare(int32_t type) {
  if (ware::TypeHasIcons(type)) {
    if (!icons_.TableLoaded()) {
      icons_.LoadTable();
      lists_.iconNames = icons_.Table().Names();
    }
    if (type == 3 && !lists_.bullets && Archive) lists_.bullets = Archive->GetFile("TBullets");
    icons_.LoadSheet();
  }
  if (type == 5) {
    SetFlagCaptions(ware::FlagCaptions(5));
    SetFlagTooltips(ware::FlagTooltips(5));
  }
  if (type == 4) {
    if (!ammunitionBuilt_) {
      TxtParserPtr wares = Archive ? Archive->GetFile("TWareT") : nullptr;
      lists_.ammunition = ware::RecordNamesInFileOrder(wares.get());
      ammunitionBuilt_ = true;
    }
    SetFlagCaptions(ware::FlagCaptions(4));
    SetFlagTooltips(ware::FlagTooltips(4));
  }
  IconImage->setVisible((type == 3 || type == 5) && icons_.SheetLoaded());
}

std::string ucWare::PageName(int32_t& type) { return ware::PageNameOf(type); }

int32_t ucWare::JvQueryInfo(int32_t& type) { return ware::QueryInfoOf(type); }

bool ucWare::Validate(std::string& errorText) {
  if (!parser_) return true;
  std::string message = ware::ValidateMessage(parser_->otype(), parser_->Version());
  if (message.empty()) return true;
  errorText = message;
  return false;
}

std::string ucWare::ObjectTypeName(int32_t& type) {
  return ware::ObjectTypeNameOf(type, parser_ ? parser_->Version() : 0);
}

std::string ucWare::ObjectName(TXTObjectRef& record) { return Need(record, "ObjectName").ObjectName(); }

std::string ucWare::GetResourceName(TXTObjectRef& record) {
  return ware::ResourceNameOf(Need(record, "GetResourceName"));
}

std::string ucWare::GetRace(TXTObjectRef& record) {
  Need(record, "GetRace");
  return clsWare(record).Race();
}

std::string ucWare::GetClass(TXTObjectRef&) { return "0"; }

TXTObjectRef ucWare::CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) {
  const int32_t size = ware::NewRecordSize(type);
  if (size == 0 || !parser) return nullptr;
  TXTObjectRef record = parser->CreateObject(before);
  record->Construct(size);
  return record;
}

std::string ucWare::GetLastError() { return "Objects of this type cannot be created."; }

void ucWare::InitObject(TXTObjectRef&) {}

void ucWare::JvAssignUniqueObjectName(TXTObjectRef& record) {
  Need(record, "JvAssignUniqueObjectName");
  std::vector<TXTObjectPtr> all;
  if (parser_) {
    all.reserve(static_cast<size_t>(parser_->objects.Count()));
    for (const TXTObjectPtr& o : parser_->objects) all.push_back(o);
  }
  record->SetObjectName(kz::GetNewObjectName(all));
}

bool ucWare::RemoveObject(TXTObjectRef&) { return true; }

// ---- value description ------------------------------------------------------------

std::string ucWare::JvGetPropertyName(TXTObjectRef& record, int32_t& index) {
  return ware::PropertyName(Need(record, "JvGetPropertyName"), index);
}

int32_t ucWare::JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) {
  return ware::SupportTranslate(Need(record, "JvSupportValueTranslate"), index);
}

int32_t ucWare::JvGetValueType(TXTObjectRef& record, int32_t& index) {
  return ware::ValueType(Need(record, "JvGetValueType"), index);
}

std::string ucWare::JvGetValueUnit(TXTObjectRef& record, int32_t& index) {
  return ware::ValueUnit(Need(record, "JvGetValueUnit"), index);
}

kz::NameTable ucWare::JvGetPropertyValues(TXTObjectRef& record, int32_t& index) {
  return ware::PropertyValues(Need(record, "JvGetPropertyValues"), index, lists_);
}

bool ucWare::JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit) {
  return ware::TranslateValue(Need(record, "JvTranslateValue"), index, text, forEdit, lists_);
}

bool ucWare::JvTranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index,
                                  kz::Variant& value) {
  return ware::TranslateValueBack(Need(record, "JvTranslateValueBack"), text, index, value, lists_);
}

bool ucWare::JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t entry, const std::string& text,
                                  kz::Variant& value) {
  return ware::TranslateEntryBack(Need(record, "JvTranslateEntryBack"), index, entry, text, value, lists_);
}

// ---- showing a record -------------------------------------------------------------

void ucWare::ShowObject(TXTObjectRef& record, int32_t& type) {
  FillingScope filling(filling_);
  ware_->Object = record ? record : std::make_shared<clsTXTObject>();
  type_ = type;
  DescEdit->clear();
  DescEdit->setVisible(true);

  const ware::WareView view = ware::BuildView(ware_->Object.get(), type, lists_);

  const int32_t selected = kz::GetListViewSelIndex(PropView);
  PropView->setUpdatesEnabled(false);
  PropView->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(view.rows.size()));
  for (const ware::WareRow& row : view.rows) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, Q(row.caption));
    item->setText(1, Q(row.value));
    item->setText(2, Q(row.offset));
    if (row.tag.IsString())
      item->setData(0, kz::kItemDataRole, Q(row.tag.AsString()));
    else if (!row.tag.IsEmpty())
      item->setData(0, kz::kItemDataRole, QVariant::fromValue<qlonglong>(kz::CLng(row.tag)));
    items.push_back(item);
  }
  PropView->addTopLevelItems(items);
  if (selected > 0) kz::SelectListViewItem(PropView, selected);
  PropView->setUpdatesEnabled(true);

  DescEdit->setVisible(view.descVisible);
  DescEdit->setPlainText(Q(view.description));
  if (view.hasIcon) ShowIcon(view.iconName);
  if (type == 4 || type == 5) ShowFlags(type);
  FlagsFrame->setVisible(type == 4 || type == 5);
  LayoutPage();
}

void ucWare::Refresh() {
  TXTObjectRef r = ware_->Object;
  int32_t t = type_;
  ShowObject(r, t);
}

void ucWare::ShowIcon(const std::string& name) {
  if (!icons_.SheetLoaded()) return;
  QImage picture;
  const bool found = icons_.IconImage(name, picture, iconRect_);
  IconImage->setVisible(found);
  if (found) {
    if (picture.isNull()) {
      picture = QImage(std::max(1, iconRect_.width), std::max(1, iconRect_.height), QImage::Format_RGB32);
      picture.fill(Qt::black);
    }
    IconImage->setPixmap(QPixmap::fromImage(picture));
    IconImage->setFixedSize(std::max(1, iconRect_.width), std::max(1, iconRect_.height));
  }
  LayoutPage();
  IconImage->update();
}

// ---- flags ----------------------------------------------------------------------------

void ucWare::SetFlagCaptions(const std::vector<std::string>& captions) {
  const size_t n = captions.size();
  while (chkFlag.size() > std::max<size_t>(n, 1)) {
    delete chkFlag.back();
    chkFlag.pop_back();
  }
  while (chkFlag.size() < n) {
    const int32_t k = static_cast<int32_t>(chkFlag.size());
    auto* box = new QCheckBox(FlagsFrame);
    box->setObjectName("chkFlag");
    box->setProperty("Index", k);
    box->setVisible(true);
    connect(box, &QCheckBox::clicked, this, [this, k] { FlagClick(k); });
    chkFlag.push_back(box);
  }
  QFontMetrics metrics(font());
  for (size_t k = 0; k < chkFlag.size(); ++k) {
    const QString caption = k < n ? Q(captions[k]) : QString();
    chkFlag[k]->setText(caption);
    chkFlag[k]->setFixedWidth(Px(Tw(metrics.horizontalAdvance(caption)) + 300) + 20);
  }
}

void ucWare::SetFlagTooltips(const std::vector<std::string>& tooltips) {
  for (size_t k = 0; k < chkFlag.size() && k < tooltips.size(); ++k) chkFlag[k]->setToolTip(Q(tooltips[k]));
}

void ucWare::ShowFlags(int32_t type) {
  std::optional<int32_t> flags = ware_->Object ? ware::FlagsOf(*ware_->Object, type) : std::nullopt;
  for (size_t k = 0; k < chkFlag.size(); ++k) {
    QSignalBlocker block(chkFlag[k]);
    chkFlag[k]->setChecked(flags && ware::FlagChecked(*flags, static_cast<int32_t>(k)));
  }
}

// ---- layout ---------------------------------------------------------------------------

void ucWare::LayoutFlags() {
  if (!FlagsFrame->isVisibleTo(this)) return;
  std::vector<int32_t> widths;
  int32_t boxHeight = 0;
  for (QCheckBox* box : chkFlag) {
    widths.push_back(Tw(box->width()));
    boxHeight = std::max(boxHeight, Tw(box->sizeHint().height()));
  }
  int32_t frameHeight = 0;
  const int32_t frameWidth = Tw(std::max(FlagsFrame->width(), PropView->width()));
  std::vector<ware::FlagPlace> places = ware::FlowFlagBoxes(widths, boxHeight, frameWidth, frameHeight);
  for (size_t k = 0; k < chkFlag.size(); ++k) {
    chkFlag[k]->move(Px(places[k].left), Px(places[k].top));
    chkFlag[k]->resize(chkFlag[k]->width(), Px(boxHeight));
  }
  FlagsFrame->setFixedHeight(Px(frameHeight));
}

void ucWare::LayoutPage() { LayoutFlags(); }

void ucWare::resizeEvent(QResizeEvent* e) {
  EditorPage::resizeEvent(e);
  LayoutFlags();
}

bool ucWare::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PropView && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      EditSelectedRow();
      return true;
    }
    if (key->key() == Qt::Key_Insert && (key->modifiers() & Qt::ControlModifier)) {
      CopySelectedValue();
      return true;
    }
  }
  return EditorPage::eventFilter(watched, event);
}

void ucWare::CopySelectedValue() {
  QClipboard* clip = QApplication::clipboard();
  if (!clip) return;
  clip->clear();
  const int32_t pos = kz::GetListViewSelIndex(PropView);
  if (pos > 0) clip->setText(PropView->topLevelItem(pos - 1)->text(1));
}
