// The galaxy editor window: its commands (add, delete, copy, paste, move).
#include "galaxy/GalaxyEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <exception>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/Settings.h"
#include "galaxy/GalObject.h"
#include "galaxy/GalaxyEditorNodes.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/model/GalaxyEditorRules.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "platform/Ui.h"
#include "shell/Find.h"

using namespace galaxy_editor_detail;
using namespace mdlGalaxyEditorRules;

// ---- commands -------------------------------------------------------------------------------

void frmGalaxyEditor::DiscardObject(const std::shared_ptr<clsGalaxyObject>& obj) {
  if (!obj) return;
  if (obj->XMLBookmark > 0) {
    Parser_->DeleteObject(obj);
    return;
  }
  if (GalaxyObjectPtr parent = obj->Parent()) {
    if (parent->Childs.Exists(obj->key()) && parent->Childs.Find(obj->key()) && *parent->Childs.Find(obj->key()) == obj)
      parent->Childs.Remove(obj->key());
  }
  if (Parser_->Sectors.Exists(obj->key())) Parser_->Sectors.Remove(obj->key());
  std::function<void(const GalaxyObjectPtr&)> forget = [&](const GalaxyObjectPtr& o) {
    if (Parser_->objects.Find(o->key()) == o) Parser_->objects.Remove(o->key());
    for (const GalaxyObjectPtr& c : o->Childs) forget(c);
  };
  forget(obj);
}

void frmGalaxyEditor::AddNewObject(bool isSector) {
  try {
    if (!isSector && !CurrentObject_) return;
    if (!isSector && !CurrentObject_->Loaded && !LoadSector(CurrentObject_)) return;
    GalaxyObjectPtr obj = Parser_->NewGalObject(isSector ? nullptr : CurrentObject_);
    obj->Loaded = true;
    frmNewGalObject& dialog = frmNewGalObject::Default();
    if (isSector)
      dialog.NewSector(Parser_, obj, true, this);
    else
      dialog.NewObject(Parser_, obj, false, true, this);
    if (dialog.ModalResult != 1) return;

    Parser_->AddObject(obj);
    GalaxyObjectPtr parent = obj->Parent();
    if (parent) parent->Childs.Add(obj, obj->key());
    if (!Parser_->UpdateObjectXML(obj)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(obj);  // the document stays as it was
      Msg("Error while updating ojbect state in XML:\r\n" + why, platform::vbCritical);
      return;
    }
    if (!Parser_->CreateDefaultObjects(obj) || !Parser_->GetLastError().empty()) {
      if (!Parser_->GetLastError().empty()) Msg(Parser_->GetLastError(), platform::vbCritical);
    }
    SetModified(true);
    UpdateNode(obj, true);
    if (m_map) m_map->ObjectAdded(obj);
    if (m_universe) m_universe->ObjectAdded(obj);
    if (isSector) UpdateSectorCount();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::DeleteCurrentObject() {
  try {
    GalaxyObjectPtr obj = CurrentObject_;
    if (!obj) return;
    const std::string question = DeleteQuestionText(Parser_->GetObjectName(obj), Parser_->GetObjectID(obj));
    if (Msg(question, platform::vbYesNo | platform::vbQuestion) != platform::vbYes) return;

    // Where the object stands, to put it back when the document refuses the deletion.
    GalaxyObjectPtr parent = obj->Parent();
    int32_t position = parent ? parent->Childs.PositionOf(obj->key()) : 0;
    const bool registered = Parser_->objects.Find(obj->key()) == obj;
    const int32_t sectorPosition = Parser_->Sectors.Exists(obj->key()) ? Parser_->Sectors.PositionOf(obj->key()) : 0;

    if (!Parser_->DeleteObject(obj)) {
      const std::string why = Parser_->GetLastError().empty() ? obj->GetLastError() : Parser_->GetLastError();
      if (parent && !parent->Childs.Exists(obj->key())) {
        if (position >= 1 && position <= parent->Childs.Count())
          parent->Childs.Add(obj, obj->key(), position);
        else
          parent->Childs.Add(obj, obj->key());
        obj->SetParent(parent);
      }
      if (registered && !Parser_->objects.Find(obj->key())) {
        std::function<void(const GalaxyObjectPtr&)> back = [&](const GalaxyObjectPtr& o) {
          Parser_->objects.Add(o, o->key());
          for (const GalaxyObjectPtr& c : o->Childs) back(c);
        };
        back(obj);
      }
      if (sectorPosition > 0 && !Parser_->Sectors.Exists(obj->key())) {
        if (sectorPosition <= Parser_->Sectors.Count())
          Parser_->Sectors.Add(obj, obj->key(), sectorPosition);
        else
          Parser_->Sectors.Add(obj, obj->key());
      }
      Msg("Error deleting object:\r\n" + why, platform::vbCritical);
      return;
    }
    // A copied object that was deleted with it can no longer be pasted.
    for (GalaxyObjectPtr o = CopiedObject_; o; o = o->Parent())
      if (o == obj) {
        CopiedObject_.reset();
        break;
      }
    RemoveNode(NodeOf(obj));
    if (m_map) m_map->ObjectRemoved(obj);
    if (m_universe) m_universe->ObjectRemoved(obj);
    Modified_ = true;
    UpdateCaption();
    UpdateSectorCount();
    SelectNode(nullptr);
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

bool frmGalaxyEditor::CopiedObjectAlive() const {
  if (!CopiedObject_) return false;
  return Parser_->objects.Find(CopiedObject_->key()) == CopiedObject_;
}

void frmGalaxyEditor::CopyObject() {
  try {
    GalaxyObjectPtr obj = CurrentObject_;
    if (!obj) return;
    // A sector whose children were never read is read now, so that its copy holds them.
    if (!obj->Loaded && !LoadSector(obj)) return;
    CopiedObject_ = obj;
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::PasteObject() {
  try {
    if (!CopiedObject_ || !CurrentObject_) return;
    if (!CopiedObjectAlive()) {
      CopiedObject_.reset();
      Msg("The copied object was deleted; it cannot be pasted.", platform::vbExclamation);
      return;
    }
    const std::string refusal = PasteRefusal(CurrentObject_->otype(), CopiedObject_->otype());
    if (!refusal.empty()) {
      Msg(refusal, platform::vbCritical);
      return;
    }
    if (CurrentObject_->otype() == mdlGalaxy::kGalSector && !CurrentObject_->Loaded && !LoadSector(CurrentObject_))
      return;
    if (!CopiedObjectAlive()) {  // loading replaced it
      CopiedObject_.reset();
      Msg("The copied object was deleted; it cannot be pasted.", platform::vbExclamation);
      return;
    }
    if (!CopiedObject_->Loaded && !LoadSector(CopiedObject_)) return;

    GalaxyObjectPtr copy = CopiedObject_->Copy();
    GalaxyObjectPtr parent = copy->Parent();
    if (!parent)
      Parser_->Sectors.Add(copy, copy->key());
    else
      parent->Childs.Add(copy, copy->key());
    if (!Parser_->UpdateObjectXML(copy)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(copy);
      Msg("Error updating object in xml:\r\n" + why, platform::vbCritical);
      return;
    }
    if (!Parser_->MoveObject(copy, CurrentObject_, false)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(copy);
      Msg(why, platform::vbCritical);
      return;
    }
    UpdateNode(copy, true);
    // The copy stands directly after the current object in the tree.
    if (QTreeWidgetItem* node = NodeOf(copy)) {
      QTreeWidgetItem* beside = NodeOf(CurrentObject_);
      QTreeWidgetItem* parentNode = node->parent();
      if (beside && beside->parent() == parentNode) {
        filling_ = true;
        if (parentNode) {
          parentNode->removeChild(node);
          parentNode->insertChild(parentNode->indexOfChild(beside), node);
        } else {
          Tree->takeTopLevelItem(Tree->indexOfTopLevelItem(node));
          Tree->insertTopLevelItem(Tree->indexOfTopLevelItem(beside), node);
        }
        filling_ = false;
      }
    }
    Modified_ = true;
    UpdateCaption();
    UpdateSectorCount();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

bool frmGalaxyEditor::MoveNode(QTreeWidgetItem* movedNode, QTreeWidgetItem* targetNode, bool asChild) {
  try {
    GalaxyObjectPtr moved = ObjectOfNode(movedNode);
    GalaxyObjectPtr target = ObjectOfNode(targetNode);
    if (!moved || !target) {
      Msg("Moved node or target node not found in parser.", platform::vbCritical);
      return false;
    }
    if (moved == target) return false;
    // An object never goes into its own subtree.
    for (GalaxyObjectPtr o = target; o; o = o->Parent())
      if (o == moved) {
        Msg("Cannot move object into itself.", platform::vbCritical);
        return false;
      }
    if (!target->Loaded && !LoadSector(target)) return false;
    if (!Parser_->MoveObject(moved, target, asChild)) {
      Msg(Parser_->GetLastError(), platform::vbCritical);
      return false;
    }
    filling_ = true;
    RemoveNode(NodeOf(moved));
    QTreeWidgetItem* targetNow = NodeOf(target);
    QTreeWidgetItem* node = MakeNode(moved);
    if (!moved->Loaded) node->setForeground(0, kNotLoadedColour);
    // Beside the target the object stands where the document has it: just before it.
    if (asChild) {
      targetNow->addChild(node);
    } else if (QTreeWidgetItem* p = targetNow->parent()) {
      p->insertChild(p->indexOfChild(targetNow), node);
    } else {
      Tree->insertTopLevelItem(Tree->indexOfTopLevelItem(targetNow), node);
    }
    AddChildNodes(node, moved);
    Tree->setCurrentItem(node);
    Tree->scrollToItem(node);
    filling_ = false;
    SetCurrentObject(moved);
    Modified_ = true;
    UpdateCaption();
    return true;
  } catch (const std::exception& e) {
    filling_ = false;
    Msg(e.what(), platform::vbCritical);
    return false;
  }
}

std::string frmGalaxyEditor::DragPointer(QTreeWidgetItem* dragged, QTreeWidgetItem* target, bool alt) const {
  GalaxyObjectPtr d = ObjectOfNode(dragged);
  GalaxyObjectPtr t = ObjectOfNode(target);
  return DragPointerKey(dragged != nullptr, target != nullptr, dragged == target, d ? d->otype() : 0,
                        t ? t->otype() : 0, alt);
}

void frmGalaxyEditor::PreparePopup(QTreeWidgetItem* node) {
  mnuPopDelete->setEnabled(node != nullptr);
  mnuPopAddObj->setEnabled(node != nullptr);
  mnuPopCopy->setEnabled(node != nullptr);
  mnuPopPaste->setEnabled(node != nullptr && CopiedObject_ != nullptr);
  mnuPopAddSector->setEnabled(!FileTitle_.empty());
}

