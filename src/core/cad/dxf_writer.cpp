// DXF 2000 output through dxflib.
//
// dxflib writes strings as raw bytes; the file declares the Chinese code
// page and every string is converted to GBK. dxflib leaves the font files
// out of a DXF 2000 STYLE record and writes fixed VPORT and empty UCS
// tables, so these three tables are written here group by group. dxflib
// takes text angles in radians and arc angles in degrees.
#include <dxflib/dl_dxf.h>
#include <dxflib/dl_writer_ascii.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>

#include "cad/write_atomic.h"
#include "cad/writers.h"
#include "error.h"
#include "text/encoding.h"

namespace lumora::cad {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kViewAspect = 1.6;  // width / height of the saved view

// A DXF value is one line: control characters would break the file's
// structure, so they become blanks.
std::string dxf_string(const std::string& utf8) {
  std::string s = utf8;
  for (char& c : s) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text::utf8_to_gbk(s);
}

double degrees(double radians) {
  double d = std::fmod(radians * 180.0 / kPi, 360.0);
  if (d < 0) d += 360.0;
  if (d >= 360.0) d = 0;
  return d;
}

struct View {
  double centre_x, centre_y, height;
};

View zoom_extents(const Extents& box) {
  if (box.empty()) return {210, 148.5, 297};
  const double w = box.max_x - box.min_x;
  const double h = box.max_y - box.min_y;
  double height = std::max(h, w / kViewAspect) * 1.05;
  if (!(height > 0)) height = 10;
  return {(box.min_x + box.max_x) / 2, (box.min_y + box.max_y) / 2, height};
}

void header_point(DL_WriterA& dw, const char* name, double x, double y, bool with_z = true) {
  dw.dxfString(9, name);
  dw.dxfReal(10, x);
  dw.dxfReal(20, y);
  if (with_z) dw.dxfReal(30, 0.0);
}

void write_header(DL_WriterA& dw, const DrawingDocument& doc, const Extents& box) {
  dw.dxfString(999, "Lumora");
  dw.sectionHeader();
  dw.dxfString(9, "$ACADVER");
  dw.dxfString(1, "AC1015");
  // Every handle is handed out below the seed: fixed ones of dxflib below
  // 0x30, then one per table record, entity and object.
  const std::size_t used = 0x30 + doc.layers().size() + doc.text_styles().size() +
                           doc.coordinate_systems().size() + doc.entities().size() + 0x100;
  dw.dxfString(9, "$HANDSEED");
  dw.dxfHex(5, static_cast<int>(std::max<std::size_t>(used, 0xFFFF)));
  dw.dxfString(9, "$DWGCODEPAGE");
  dw.dxfString(3, "ANSI_936");
  header_point(dw, "$INSBASE", 0, 0);
  if (box.empty()) {
    header_point(dw, "$EXTMIN", 1e20, 1e20);
    header_point(dw, "$EXTMAX", -1e20, -1e20);
    header_point(dw, "$LIMMIN", 0, 0, false);
    header_point(dw, "$LIMMAX", 420, 297, false);
  } else {
    header_point(dw, "$EXTMIN", box.min_x, box.min_y);
    header_point(dw, "$EXTMAX", box.max_x, box.max_y);
    header_point(dw, "$LIMMIN", box.min_x, box.min_y, false);
    header_point(dw, "$LIMMAX", box.max_x, box.max_y, false);
  }
  dw.dxfString(9, "$CLAYER");
  dw.dxfString(8, dxf_string(doc.active_layer().name));
  dw.dxfString(9, "$TEXTSTYLE");
  dw.dxfString(7, dxf_string(doc.text_styles().front().name));
  if (const CoordinateSystem* ucs = doc.active_ucs()) {
    dw.dxfString(9, "$UCSNAME");
    dw.dxfString(2, dxf_string(ucs->name));
    dw.dxfString(9, "$UCSORG");
    dw.coord(10, ucs->origin.x, ucs->origin.y, ucs->origin.z);
    dw.dxfString(9, "$UCSXDIR");
    dw.coord(10, ucs->x_direction.x, ucs->x_direction.y, ucs->x_direction.z);
    dw.dxfString(9, "$UCSYDIR");
    dw.coord(10, ucs->y_direction.x, ucs->y_direction.y, ucs->y_direction.z);
  }
  dw.sectionEnd();
}

// The active viewport, looking at the whole drawing.
void write_vport(DL_WriterA& dw, const View& view) {
  dw.table("VPORT", 1, 8);
  dw.dxfString(0, "VPORT");
  dw.handle();
  dw.dxfHex(330, 8);
  dw.dxfString(100, "AcDbSymbolTableRecord");
  dw.dxfString(100, "AcDbViewportTableRecord");
  dw.dxfString(2, "*Active");
  dw.dxfInt(70, 0);
  dw.dxfReal(10, 0.0);
  dw.dxfReal(20, 0.0);
  dw.dxfReal(11, 1.0);
  dw.dxfReal(21, 1.0);
  dw.dxfReal(12, view.centre_x);
  dw.dxfReal(22, view.centre_y);
  dw.dxfReal(13, 0.0);
  dw.dxfReal(23, 0.0);
  dw.dxfReal(14, 10.0);
  dw.dxfReal(24, 10.0);
  dw.dxfReal(15, 10.0);
  dw.dxfReal(25, 10.0);
  dw.coord(16, 0.0, 0.0, 1.0);  // view direction
  dw.coord(17, 0.0, 0.0, 0.0);  // target
  dw.dxfReal(40, view.height);
  dw.dxfReal(41, kViewAspect);
  dw.dxfReal(42, 50.0);
  dw.dxfReal(43, 0.0);
  dw.dxfReal(44, 0.0);
  dw.dxfReal(50, 0.0);
  dw.dxfReal(51, 0.0);
  dw.dxfInt(71, 0);
  dw.dxfInt(72, 1000);
  dw.dxfInt(73, 1);
  dw.dxfInt(74, 3);
  dw.dxfInt(75, 0);
  dw.dxfInt(76, 0);
  dw.dxfInt(77, 0);
  dw.dxfInt(78, 0);
  dw.dxfInt(281, 0);
  dw.dxfInt(65, 1);
  dw.coord(110, 0.0, 0.0, 0.0);
  dw.coord(111, 1.0, 0.0, 0.0);
  dw.coord(112, 0.0, 1.0, 0.0);
  dw.dxfInt(79, 0);
  dw.dxfReal(146, 0.0);
  dw.tableEnd();
}

void write_layers(DL_Dxf& dxf, DL_WriterA& dw, const DrawingDocument& doc) {
  dw.tableLayers(static_cast<int>(doc.layers().size()));
  for (const Layer& layer : doc.layers()) {
    dxf.writeLayer(dw, DL_LayerData(dxf_string(layer.name), 0),
                   DL_Attributes("", layer.color, layer.line_weight, "CONTINUOUS", 1.0));
  }
  dw.tableEnd();
}

// Returns the handle of the text style "Standard", which the dimension
// style refers to (0 when the drawing has none).
unsigned long write_styles(DL_WriterA& dw, const DrawingDocument& doc) {
  unsigned long standard = 0;
  dw.tableStyle(static_cast<int>(doc.text_styles().size()));
  for (const TextStyle& style : doc.text_styles()) {
    dw.dxfString(0, "STYLE");
    const unsigned long handle = dw.handle();
    if (standard == 0 && style.name.size() == 8 &&
        std::equal(style.name.begin(), style.name.end(), "Standard",
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      standard = handle;
    }
    dw.dxfHex(330, 3);
    dw.dxfString(100, "AcDbSymbolTableRecord");
    dw.dxfString(100, "AcDbTextStyleTableRecord");
    dw.dxfString(2, dxf_string(style.name));
    dw.dxfInt(70, 0);
    dw.dxfReal(40, 0.0);  // no fixed height
    dw.dxfReal(41, 1.0);
    dw.dxfReal(50, 0.0);
    dw.dxfInt(71, 0);
    dw.dxfReal(42, 2.5);
    dw.dxfString(3, dxf_string(style.font_file));
    dw.dxfString(4, dxf_string(style.big_font_file));
  }
  dw.tableEnd();
  return standard;
}

// The dimension style table with its one style "Standard", as dxflib's
// writeDimStyle writes it for AutoCAD 2000, but with the handle of the text
// style (group 340) that this writer gave "Standard": dxflib only knows that
// handle when it wrote the style table itself, and otherwise writes a value
// it never set.
void write_dim_style(DL_WriterA& dw, unsigned long standard_style) {
  dw.dxfString(0, "TABLE");
  dw.dxfString(2, "DIMSTYLE");
  dw.dxfHex(5, 0xA);
  dw.dxfString(100, "AcDbSymbolTable");
  dw.dxfInt(70, 1);
  dw.dxfString(100, "AcDbDimStyleTable");
  dw.dxfInt(71, 0);
  dw.dxfString(0, "DIMSTYLE");
  dw.dxfHex(105, 0x27);
  dw.dxfString(100, "AcDbSymbolTableRecord");
  dw.dxfString(100, "AcDbDimStyleTableRecord");
  dw.dxfString(2, "Standard");
  dw.dxfReal(41, 2.5);
  dw.dxfReal(42, 0.625);
  dw.dxfReal(43, 3.75);
  dw.dxfReal(44, 0.625);
  dw.dxfInt(70, 0);
  dw.dxfInt(73, 0);
  dw.dxfInt(74, 0);
  dw.dxfInt(77, 1);
  dw.dxfInt(78, 8);
  dw.dxfReal(140, 2.5);
  dw.dxfReal(141, 2.5);
  dw.dxfReal(143, 0.03937007874016);
  dw.dxfReal(147, 0.625);
  dw.dxfInt(171, 3);
  dw.dxfInt(172, 1);
  dw.dxfInt(271, 2);
  dw.dxfInt(272, 2);
  dw.dxfInt(274, 3);
  dw.dxfInt(278, 44);
  dw.dxfInt(283, 0);
  dw.dxfInt(284, 8);
  dw.dxfHex(340, static_cast<int>(standard_style));
  dw.dxfString(0, "ENDTAB");
}

void write_ucs(DL_WriterA& dw, const DrawingDocument& doc) {
  dw.table("UCS", static_cast<int>(doc.coordinate_systems().size()), 7);
  for (const CoordinateSystem& ucs : doc.coordinate_systems()) {
    dw.dxfString(0, "UCS");
    dw.handle();
    dw.dxfHex(330, 7);
    dw.dxfString(100, "AcDbSymbolTableRecord");
    dw.dxfString(100, "AcDbUCSTableRecord");
    dw.dxfString(2, dxf_string(ucs.name));
    dw.dxfInt(70, 0);
    dw.coord(10, ucs.origin.x, ucs.origin.y, ucs.origin.z);
    dw.coord(11, ucs.x_direction.x, ucs.x_direction.y, ucs.x_direction.z);
    dw.coord(12, ucs.y_direction.x, ucs.y_direction.y, ucs.y_direction.z);
    dw.dxfInt(79, 0);
    dw.dxfReal(146, 0.0);
  }
  dw.tableEnd();
}

void write_entity(DL_Dxf& dxf, DL_WriterA& dw, const DrawingDocument& doc, const Entity& e) {
  const DL_Attributes attr(dxf_string(doc.layers()[e.layer].name), e.color, e.line_weight,
                           "BYLAYER", 1.0);
  const Point3& p = e.points.front();
  switch (e.kind) {
    case EntityKind::point:
      dxf.writePoint(dw, DL_PointData(p.x, p.y, p.z), attr);
      break;
    case EntityKind::line: {
      const Point3& q = e.points[1];
      dxf.writeLine(dw, DL_LineData(p.x, p.y, p.z, q.x, q.y, q.z), attr);
      break;
    }
    case EntityKind::polyline:
      dxf.writePolyline(dw, DL_PolylineData(static_cast<int>(e.points.size()), 0, 0, 0), attr);
      for (const Point3& v : e.points) dxf.writeVertex(dw, DL_VertexData(v.x, v.y, 0, 0));
      dxf.writePolylineEnd(dw);
      break;
    case EntityKind::arc:
      dxf.writeArc(
          dw, DL_ArcData(p.x, p.y, p.z, e.radius, degrees(e.start_angle), degrees(e.end_angle)),
          attr);
      break;
    case EntityKind::text: {
      const Point3& a = e.alignment_point;
      dxf.writeText(dw,
                    DL_TextData(p.x, p.y, p.z, a.x, a.y, a.z, e.height, e.width_factor, 0,
                                e.horizontal_alignment, e.vertical_alignment, dxf_string(e.text),
                                dxf_string(e.style), e.rotation),
                    attr);
      break;
    }
  }
}

// The OBJECTS section: the named-object dictionary with the groups, the
// layouts of model and paper space (owned by the block records written by
// dxflib as 0x1F, 0x1B and 0x23), the multi-line and plot styles, every
// object naming its owner.
void write_objects(DL_WriterA& dw) {
  auto object = [&](const char* type, int handle, int owner) {
    dw.dxfString(0, type);
    dw.dxfHex(5, handle);
    dw.dxfString(102, "{ACAD_REACTORS");
    dw.dxfHex(330, owner);
    dw.dxfString(102, "}");
    dw.dxfHex(330, owner);
  };
  auto entry = [&](const char* name, int handle) {
    dw.dxfString(3, name);
    dw.dxfHex(350, handle);
  };
  // Handles below 0x30 that dxflib leaves free.
  const int vars = 0x28, dimassoc = 0x29, hidetext = 0x2A;

  dw.sectionObjects();
  dw.dxfString(0, "DICTIONARY");
  dw.dxfHex(5, 0xC);
  dw.dxfHex(330, 0);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);
  entry("ACAD_GROUP", 0xD);
  entry("ACAD_LAYOUT", 0x1A);
  entry("ACAD_MLINESTYLE", 0x17);
  entry("ACAD_PLOTSETTINGS", 0x19);
  entry("ACAD_PLOTSTYLENAME", 0xE);
  entry("AcDbVariableDictionary", vars);

  object("DICTIONARY", 0xD, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);

  object("ACDBDICTIONARYWDFLT", 0xE, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);
  entry("Normal", 0xF);
  dw.dxfString(100, "AcDbDictionaryWithDefault");
  dw.dxfHex(340, 0xF);

  object("ACDBPLACEHOLDER", 0xF, 0xE);

  object("DICTIONARY", 0x17, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);
  entry("Standard", 0x18);

  object("MLINESTYLE", 0x18, 0x17);
  dw.dxfString(100, "AcDbMlineStyle");
  dw.dxfString(2, "STANDARD");
  dw.dxfInt(70, 0);
  dw.dxfString(3, "");
  dw.dxfInt(62, 256);
  dw.dxfReal(51, 90.0);
  dw.dxfReal(52, 90.0);
  dw.dxfInt(71, 2);
  for (double offset : {0.5, -0.5}) {
    dw.dxfReal(49, offset);
    dw.dxfInt(62, 256);
    dw.dxfString(6, "BYLAYER");
  }

  object("DICTIONARY", 0x19, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);

  object("DICTIONARY", 0x1A, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);
  entry("Layout1", 0x1E);
  entry("Layout2", 0x26);
  entry("Model", 0x22);

  struct LayoutData {
    int handle, block_record, flags, order;
    const char* name;
    double width, height;
  };
  for (const LayoutData& l : {LayoutData{0x1E, 0x1B, 688, 1, "Layout1", 420, 297},
                              LayoutData{0x22, 0x1F, 1712, 0, "Model", 12, 9},
                              LayoutData{0x26, 0x23, 688, 2, "Layout2", 12, 9}}) {
    object("LAYOUT", l.handle, 0x1A);
    dw.dxfString(100, "AcDbPlotSettings");
    dw.dxfString(1, "");
    dw.dxfString(2, "none_device");
    dw.dxfString(4, "");
    dw.dxfString(6, "");
    for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141}) dw.dxfReal(code, 0.0);
    dw.dxfReal(142, 1.0);
    dw.dxfReal(143, 1.0);
    dw.dxfInt(70, l.flags);
    dw.dxfInt(72, 0);
    dw.dxfInt(73, 0);
    dw.dxfInt(74, l.order == 0 ? 0 : 5);
    dw.dxfString(7, "");
    dw.dxfInt(75, l.order == 0 ? 0 : 16);
    dw.dxfReal(147, 1.0);
    dw.dxfReal(148, 0.0);
    dw.dxfReal(149, 0.0);
    dw.dxfString(100, "AcDbLayout");
    dw.dxfString(1, l.name);
    dw.dxfInt(70, 1);
    dw.dxfInt(71, l.order);
    dw.dxfReal(10, 0.0);
    dw.dxfReal(20, 0.0);
    dw.dxfReal(11, l.width);
    dw.dxfReal(21, l.height);
    dw.coord(12, 0.0, 0.0, 0.0);
    const double big = l.order == 1 ? 1e20 : 0.0;
    dw.coord(14, big, big, big);
    dw.coord(15, -big, -big, -big);
    dw.dxfReal(146, 0.0);
    dw.coord(13, 0.0, 0.0, 0.0);
    dw.coord(16, 1.0, 0.0, 0.0);
    dw.coord(17, 0.0, 1.0, 0.0);
    dw.dxfInt(76, 0);
    dw.dxfHex(330, l.block_record);
  }

  object("DICTIONARY", vars, 0xC);
  dw.dxfString(100, "AcDbDictionary");
  dw.dxfInt(281, 1);
  entry("DIMASSOC", dimassoc);
  entry("HIDETEXT", hidetext);
  for (auto [handle, value] : {std::pair{hidetext, "2"}, std::pair{dimassoc, "1"}}) {
    object("DICTIONARYVAR", handle, vars);
    dw.dxfString(100, "DictionaryVariables");
    dw.dxfInt(280, 0);
    dw.dxfString(1, value);
  }
  dw.sectionEnd();
}

void write_dxf_file(const DrawingDocument& doc, const std::string& file) {
  DL_Dxf dxf;
  std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1015));
  if (!dw) throw CancelledError(CancelledError::Kind::save, file + ": 无法写入");
  const Extents box = doc.extents();

  write_header(*dw, doc, box);

  dw->sectionTables();
  write_vport(*dw, zoom_extents(box));
  dw->tableLinetypes(3);
  dxf.writeLinetype(*dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
  dxf.writeLinetype(*dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
  dxf.writeLinetype(*dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
  dw->tableEnd();
  write_layers(dxf, *dw, doc);
  const unsigned long standard_style = write_styles(*dw, doc);
  dxf.writeView(*dw);
  write_ucs(*dw, doc);
  dw->tableAppid(1);
  dxf.writeAppid(*dw, "ACAD");
  dw->tableEnd();
  write_dim_style(*dw, standard_style);
  dxf.writeBlockRecord(*dw);
  dw->tableEnd();
  dw->sectionEnd();

  dw->sectionBlocks();
  for (const char* name : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
    dxf.writeBlock(*dw, DL_BlockData(name, 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(*dw, name);
  }
  dw->sectionEnd();

  dw->sectionEntities();
  for (const Entity& e : doc.entities()) write_entity(dxf, *dw, doc, e);
  dw->sectionEnd();

  write_objects(*dw);
  dw->dxfEOF();
  dw->close();
  dw.reset();

  // dxflib reports no write error; a complete file ends with its EOF group.
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string tail(static_cast<std::size_t>(std::min<std::streamoff>(size, 16)), '\0');
  if (size > 0) {
    in.seekg(size - static_cast<std::streamoff>(tail.size()));
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  if (!in || tail.find("EOF") == std::string::npos) {
    throw CancelledError(CancelledError::Kind::save, file + ": 写入不完整");
  }
}

}  // namespace

void write_dxf(const DrawingDocument& doc, const std::filesystem::path& path) {
  write_file_atomically(path, [&](const std::string& temp) { write_dxf_file(doc, temp); });
}

std::string dxf_text(const DrawingDocument& doc) {
  // dxflib writes to a named file only: an anonymous file in memory, named
  // through /proc, stands in for one.
  const int fd = ::memfd_create("lumora-dxf", MFD_CLOEXEC);
  if (fd < 0) throw CancelledError(CancelledError::Kind::save, "DXF: 无法建立内存文件");
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  write_dxf_file(doc, "/proc/self/fd/" + std::to_string(fd));
  std::string out;
  char buf[65536];
  ::lseek(fd, 0, SEEK_SET);
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) throw CancelledError(CancelledError::Kind::save, "DXF: 内存文件无法读取");
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace lumora::cad
