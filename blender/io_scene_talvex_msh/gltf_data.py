# Reading and writing the parts of a glTF document the add-on itself handles: the chunks of a
# .glb file, accessors, and node matrices in double precision (mathutils has single precision
# only, which is not enough to write a transform back as it was).
import json
import struct

COMPONENT_FORMATS = {5120: "b", 5121: "B", 5122: "h", 5123: "H", 5125: "I", 5126: "f"}
TYPE_SIZES = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4, "MAT4": 16}

def read_glb(path):
    """The JSON document and the binary chunk of a .glb file."""
    with open(path, "rb") as f:
        data = f.read()
    document, binary = None, b""
    offset = 12
    while offset + 8 <= len(data):
        length, kind = struct.unpack_from("<II", data, offset)
        chunk = data[offset + 8:offset + 8 + length]
        if kind == 0x4E4F534A:
            document = json.loads(chunk.decode("utf-8"))
        elif kind == 0x004E4942:
            binary = chunk
        offset += 8 + length
    return document or {}, binary


def read_accessor(document, binary, index):
    accessor = document["accessors"][index]
    view = document["bufferViews"][accessor["bufferView"]]
    form = COMPONENT_FORMATS[accessor["componentType"]]
    size = TYPE_SIZES[accessor["type"]]
    stride = view.get("byteStride", size * struct.calcsize(form))
    start = view.get("byteOffset", 0) + accessor.get("byteOffset", 0)
    values = []
    for i in range(accessor["count"]):
        values.extend(struct.unpack_from("<%d%s" % (size, form), binary, start + i * stride))
    return {"componentType": accessor["componentType"], "type": accessor["type"],
            "normalized": accessor.get("normalized", False), "values": values}


def local_matrix(node):
    """A node's local matrix in double precision, column-major as glTF writes it."""
    if "matrix" in node:
        return [float(v) for v in node["matrix"]]
    x, y, z, w = node.get("rotation", (0.0, 0.0, 0.0, 1.0))
    sx, sy, sz = node.get("scale", (1.0, 1.0, 1.0))
    tx, ty, tz = node.get("translation", (0.0, 0.0, 0.0))
    r = [1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w),
         2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
         2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)]
    return [r[0] * sx, r[1] * sx, r[2] * sx, 0.0, r[3] * sy, r[4] * sy, r[5] * sy, 0.0,
            r[6] * sz, r[7] * sz, r[8] * sz, 0.0, tx, ty, tz, 1.0]


def multiply(a, b):
    return [sum(a[k * 4 + r] * b[c * 4 + k] for k in range(4)) for c in range(4) for r in range(4)]


def affine_inverse(m):
    a = [[m[c * 4 + r] for c in range(3)] for r in range(3)]
    det = (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]))
    if det == 0:
        return None
    inv = [[(a[(c + 1) % 3][(r + 1) % 3] * a[(c + 2) % 3][(r + 2) % 3] -
             a[(c + 1) % 3][(r + 2) % 3] * a[(c + 2) % 3][(r + 1) % 3]) / det
            for c in range(3)] for r in range(3)]
    t = [-sum(inv[r][k] * m[12 + k] for k in range(3)) for r in range(3)]
    return [inv[0][0], inv[1][0], inv[2][0], 0.0, inv[0][1], inv[1][1], inv[2][1], 0.0,
            inv[0][2], inv[1][2], inv[2][2], 0.0, t[0], t[1], t[2], 1.0]


def hierarchy(nodes):
    """Each node's parent (None at the top) and every node's world matrix in double precision,
    parents before children in `order`."""
    parent = {}
    for i, node in enumerate(nodes):
        for child in node.get("children", []):
            parent[child] = i
    worlds, order = {}, []

    def visit(i):
        if i in worlds:
            return
        if i in parent:
            visit(parent[i])
        p = parent.get(i)
        local = local_matrix(nodes[i])
        worlds[i] = multiply(worlds[p], local) if p is not None else local
        order.append(i)

    for i in range(len(nodes)):
        visit(i)
    return parent, worlds, order


def add_accessor(document, blob, accessor):
    form = COMPONENT_FORMATS[accessor["componentType"]]
    values = accessor["values"]
    size = TYPE_SIZES[accessor["type"]]
    blob.extend(b"\0" * (-len(blob) % 4))
    views = document.setdefault("bufferViews", [])
    packed = struct.pack("<%d%s" % (len(values), form), *values)
    views.append({"buffer": 0, "byteOffset": len(blob), "byteLength": len(packed)})
    blob.extend(packed)
    entry = {"bufferView": len(views) - 1, "componentType": accessor["componentType"],
             "count": len(values) // size, "type": accessor["type"]}
    if accessor.get("normalized"):
        entry["normalized"] = True
    return entry
