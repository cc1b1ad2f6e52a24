#include "part_tree_model.h"

#include "icons.h"
#include "part_commands.h"

#include <QPainter>
#include <QPixmap>

namespace korvex {

namespace {

// internalId of an index: which level of the tree its row counts in.
constexpr quintptr TopLevel = 0;
constexpr quintptr UnderRoot = 1;

QString toQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QIcon faded(const QIcon& icon) {
    QIcon result;
    for (const int size : {16, 20, 24, 32, 48}) {
        const QPixmap full = icon.pixmap(size);
        QPixmap half(full.size());
        half.setDevicePixelRatio(full.devicePixelRatio());
        half.fill(Qt::transparent);
        QPainter painter(&half);
        painter.setOpacity(0.45);
        painter.drawPixmap(0, 0, full);
        painter.end();
        result.addPixmap(half);
    }
    return result;
}

}  // namespace

PartTreeModel::PartTreeModel(ProgramState& state, QObject* parent)
    : QAbstractItemModel(parent), state_(state), images_{icons::fileNode(), icons::partNode(), icons::noFileNode()} {
    for (std::size_t i = 0; i < images_.size(); ++i) ghostedImages_[i] = faded(images_[i]);
}

QModelIndex PartTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columnCount()) return {};
    if (!parent.isValid()) return row == 0 ? createIndex(row, column, TopLevel) : QModelIndex();
    if (parent.internalId() != TopLevel || parent.column() != NameColumn) return {};
    if (static_cast<std::size_t>(row) >= state_.tree.PartNodes.size()) return {};
    return createIndex(row, column, UnderRoot);
}

QModelIndex PartTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() != UnderRoot) return {};
    return createIndex(0, NameColumn, TopLevel);
}

int PartTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.internalId() != TopLevel || parent.column() != NameColumn) return 0;
    return static_cast<int>(state_.tree.PartNodes.size());
}

int PartTreeModel::columnCount(const QModelIndex&) const {
    return 2;
}

const PartNodeData* PartTreeModel::node(const QModelIndex& index) const {
    if (!index.isValid() || index.row() < 0) return nullptr;
    if (index.internalId() == TopLevel) return index.row() == 0 ? &state_.tree.RootNode : nullptr;
    return partNodeAt(state_, static_cast<std::size_t>(index.row()));
}

QModelIndex PartTreeModel::partIndexRow(int32_t partIndex) const {
    const auto& nodes = state_.tree.PartNodes;
    for (std::size_t row = 0; row < nodes.size(); ++row)
        if (nodes[row].PartIndex == partIndex) return index(static_cast<int>(row), NameColumn, rootIndex());
    return {};
}

QVariant PartTreeModel::data(const QModelIndex& index, int role) const {
    const PartNodeData* n = node(index);
    if (n == nullptr) return {};
    const bool nameColumn = index.column() == NameColumn;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        // The whole name, for a column too narrow to show it.
        case Qt::ToolTipRole:
            if (nameColumn) return toQString(n->Caption);
            return n->PartIndex < 0 ? QString() : QString::number(int64_t{n->LastVertexIndex} + 1);
        case Qt::DecorationRole:
            if (nameColumn && n->ImageIndex >= 0 && static_cast<std::size_t>(n->ImageIndex) < images_.size())
                return (ghosted_ ? ghostedImages_ : images_)[static_cast<std::size_t>(n->ImageIndex)];
            return {};
        case Qt::CheckStateRole:
            if (!nameColumn) return {};
            if (const uint8_t* flag = visibleFlag(state_.partList, *n)) return *flag != 0 ? Qt::Checked : Qt::Unchecked;
            return {};
        default:
            return {};
    }
}

bool PartTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const PartNodeData* n = node(index);
    if (n == nullptr || index.column() != NameColumn) return false;
    if (role == Qt::EditRole) {
        // Only column 0 of a part node is ever editable (see flags()).
        if (n->PartIndex < 0) return false;
        if (!renamePartNode(state_, *partNodeAt(state_, static_cast<std::size_t>(index.row())),
                            value.toString().toStdU16String()))
            return false;
    } else if (role == Qt::CheckStateRole) {
        if (visibleFlag(state_.partList, *n) == nullptr) return false;
        setPartNodeChecked(state_, *n, value.toInt() == Qt::Checked);
    } else {
        return false;
    }
    emit dataChanged(index, index, {role == Qt::EditRole ? Qt::DisplayRole : role});
    return true;
}

Qt::ItemFlags PartTreeModel::flags(const QModelIndex& index) const {
    const PartNodeData* n = node(index);
    if (n == nullptr) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (n->PartIndex >= 0 && index.column() == NameColumn) result |= Qt::ItemIsEditable | Qt::ItemIsUserCheckable;
    return result;
}

QVariant PartTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == NameColumn) return QStringLiteral("Name");
    if (section == VertexCountColumn) return QStringLiteral("Vertex Count");
    return {};
}

void PartTreeModel::setImagesGhosted(bool ghosted) {
    if (ghosted == ghosted_) return;
    ghosted_ = ghosted;
    imagesChanged({});
    imagesChanged(rootIndex());
}

void PartTreeModel::imagesChanged(const QModelIndex& parent) {
    const int rows = rowCount(parent);
    if (rows > 0)
        emit dataChanged(index(0, NameColumn, parent), index(rows - 1, NameColumn, parent), {Qt::DecorationRole});
}

void PartTreeModel::partNodesChanged() {
    const int rows = rowCount(rootIndex());
    if (rows == 0) return;
    emit dataChanged(index(0, NameColumn, rootIndex()), index(rows - 1, VertexCountColumn, rootIndex()));
}

}  // namespace korvex
