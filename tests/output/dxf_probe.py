"""Reads a DXF with ezdxf, as another CAD program would, and prints what a test compares.

Usage: dxf_probe.py FILE.dxf
Prints one JSON object: the version and code page, the auditor's errors and fixes, entity
counts of model space and of the named blocks, the model space's bounding box (curves exact,
texts as the box between their alignment points), every text string, and the INSERTs'
virtual entities as endpoints.
"""
import json
import math
import sys

import ezdxf
from ezdxf.tools.text import caret_decode
from ezdxf.math import ConstructionEllipse


class Box:
    def __init__(self):
        self.lo = [math.inf, math.inf]
        self.hi = [-math.inf, -math.inf]

    def add(self, x, y):
        self.lo = [min(self.lo[0], x), min(self.lo[1], y)]
        self.hi = [max(self.hi[0], x), max(self.hi[1], y)]


def arc_points(cx, cy, r, start, end):
    """End points of an arc (degrees, counter-clockwise) and the axis points it passes."""
    start %= 360.0
    end %= 360.0
    span = (end - start) % 360.0 or 360.0
    pts = [start, start + span]
    for axis in (0.0, 90.0, 180.0, 270.0):
        if (axis - start) % 360.0 <= span:
            pts.append(axis)
    return [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in pts]


def add_entity(box, e):
    t = e.dxftype()
    if t == 'LINE':
        box.add(e.dxf.start.x, e.dxf.start.y)
        box.add(e.dxf.end.x, e.dxf.end.y)
    elif t == 'POINT':
        box.add(e.dxf.location.x, e.dxf.location.y)
    elif t == 'CIRCLE':
        for p in arc_points(e.dxf.center.x, e.dxf.center.y, e.dxf.radius, 0.0, 360.0):
            box.add(*p)
    elif t == 'ARC':
        for p in arc_points(e.dxf.center.x, e.dxf.center.y, e.dxf.radius, e.dxf.start_angle,
                            e.dxf.end_angle):
            box.add(*p)
    elif t == 'ELLIPSE':
        ce = ConstructionEllipse(center=e.dxf.center, major_axis=e.dxf.major_axis,
                                 ratio=e.dxf.ratio, start_param=e.dxf.start_param,
                                 end_param=e.dxf.end_param)
        span = (ce.end_param - ce.start_param) % math.tau or math.tau
        for i in range(36001):
            p = ce.start_param + span * i / 36000
            v = ce.center + ce.major_axis * math.cos(p) + ce.minor_axis * math.sin(p)
            box.add(v.x, v.y)
    elif t == 'TEXT':
        p1 = e.dxf.insert
        box.add(p1.x, p1.y)
        if e.dxf.get('halign', 0) == 5:
            p2 = e.dxf.align_point
            length = math.hypot(p2.x - p1.x, p2.y - p1.y)
            if length > 0:
                nx, ny = -(p2.y - p1.y) / length, (p2.x - p1.x) / length
                h = e.dxf.height
                box.add(p2.x, p2.y)
                box.add(p1.x + nx * h, p1.y + ny * h)
                box.add(p2.x + nx * h, p2.y + ny * h)
    elif t == 'MTEXT':
        box.add(e.dxf.insert.x, e.dxf.insert.y)
    elif t == 'SOLID':
        for k in ('vtx0', 'vtx1', 'vtx2', 'vtx3'):
            v = e.dxf.get(k)
            if v is not None:
                box.add(v.x, v.y)
    elif t == 'LWPOLYLINE':
        for x, y in e.get_points('xy'):
            box.add(x, y)
    elif t == 'HATCH':
        for path in e.paths:
            for v in getattr(path, 'vertices', []):
                box.add(v[0], v[1])
    elif t == 'IMAGE':
        for v in e.boundary_path_wcs():
            box.add(v.x, v.y)
    elif t in ('INSERT', 'DIMENSION'):
        for v in e.virtual_entities():
            add_entity(box, v)


def flat_lines(e, out):
    """What an INSERT shows, through nested INSERTs: lines as their end points, curves (a circle
    in a block scaled unevenly is an ellipse) as their centres."""
    for v in e.virtual_entities():
        if v.dxftype() == 'INSERT':
            flat_lines(v, out)
        elif v.dxftype() == 'LINE':
            out.append([v.dxf.start.x, v.dxf.start.y, v.dxf.end.x, v.dxf.end.y])
        elif v.dxftype() in ('CIRCLE', 'ARC', 'ELLIPSE'):
            out.append([v.dxf.center.x, v.dxf.center.y])


def attr(e, name, default):
    return e.dxf.get(name, default) if e.dxf.is_supported(name) else default


def header_code_slips(path):
    """Header variables whose first group code is not the one ezdxf's table gives them: a
    reader takes such a value for another, or for none."""
    from ezdxf.sections.headervars import HEADER_VAR_MAP
    with open(path, 'rb') as f:
        lines = f.read().decode('latin-1').splitlines()
    pairs = [(lines[i].strip(), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]
    slips, name, in_header = [], None, False
    for code, value in pairs:
        if code == '2' and value == 'HEADER':
            in_header = True
        elif code == '0' and value == 'ENDSEC' and in_header:
            break
        elif in_header and code == '9':
            name = value
        elif in_header and name is not None:
            want = HEADER_VAR_MAP.get(name)
            if want is not None and int(code) != want.code:
                slips.append(f'{name}: group code {code}, not {want.code}')
            name = None
    return slips


def main():
    doc = ezdxf.readfile(sys.argv[1])
    auditor = doc.audit()
    msp = doc.modelspace()
    counts = {}
    for e in msp:
        counts[e.dxftype()] = counts.get(e.dxftype(), 0) + 1
    blocks = {}
    for b in doc.blocks:
        if b.name.startswith('*') or b.name.startswith('JW_POINT_'):
            continue
        blocks[b.name] = len(b)
    box = Box()
    for e in msp:
        add_entity(box, e)
    texts = []
    for layout in [msp] + [b for b in doc.blocks if not b.name.startswith('*')]:
        for e in layout:
            if e.dxftype() == 'TEXT':
                texts.append(caret_decode(e.dxf.text))
            elif e.dxftype() == 'MTEXT':
                texts.append(e.plain_text().replace('\n', ''))
            elif e.dxftype() == 'DIMENSION':
                texts.append(caret_decode(e.dxf.text))
    inserts = []
    for e in msp.query('INSERT'):
        lines = []
        flat_lines(e, lines)
        inserts.append(lines)
    entities = []
    for e in msp:
        entities.append({'type': e.dxftype(), 'layer': e.dxf.layer, 'color': attr(e, 'color', 256),
                         'true_color': attr(e, 'true_color', -1),
                         'linetype': attr(e, 'linetype', ''), 'lineweight': attr(e, 'lineweight', -1),
                         'name': attr(e, 'name', ''), 'style': attr(e, 'style', ''),
                         'scales': [attr(e, 'xscale', 1), attr(e, 'yscale', 1), attr(e, 'zscale', 1)]
                         if e.dxftype() == 'INSERT' else [],
                         'text': e.plain_text() if e.dxftype() == 'MTEXT' else attr(e, 'text', '')})
    images = [d.dxf.filename for d in doc.objects.query('IMAGEDEF')]
    layers = {l.dxf.name: {'on': l.is_on(), 'color': l.dxf.color, 'locked': l.is_locked(),
                           'description': l.description} for l in doc.layers}
    print(json.dumps({
        'version': doc.dxfversion, 'codepage': doc.header.get('$DWGCODEPAGE', ''),
        'insunits': doc.header.get('$INSUNITS', 0),
        'maintver': doc.header.get('$ACADMAINTVER', -1),
        'extents': list(doc.header.get('$EXTMIN', (0, 0, 0)))[:2] + list(doc.header.get('$EXTMAX', (0, 0, 0)))[:2],
        'header_slips': header_code_slips(sys.argv[1]),
        'errors': [x.message for x in auditor.errors], 'fixes': [x.message for x in auditor.fixes],
        'counts': counts, 'blocks': blocks,
        'box': box.lo + box.hi if box.lo[0] != math.inf else [],
        'texts': texts, 'inserts': inserts, 'entities': entities, 'images': images, 'layers': layers,
        'linetypes': {lt.dxf.name: [t.value for t in lt.pattern_tags.tags if t.code == 49]
                      for lt in doc.linetypes},
        'linetype_descriptions': {lt.dxf.name: lt.dxf.description for lt in doc.linetypes},
    }, ensure_ascii=False))


if __name__ == '__main__':
    main()
