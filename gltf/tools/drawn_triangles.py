#!/usr/bin/env python3
"""Checks that every triangle of one model file is drawn where it is drawn in another.

    drawn_triangles.py EXPECTED ACTUAL

Each file is a .glb, a .gltf or a legacy .msh. For every object of EXPECTED that draws
triangles (a glTF node with a mesh, by node name; an MSH record, by record name) the object
of the same name in ACTUAL must draw as many triangles, each with its three corners at the
same world positions (within 1e-4 of the model's size): skinned glTF meshes through their
joints, as viewers draw them, MSH vertices through the record's world transform. Positions
are compared in glTF's Y-up frame. Plain Python, no packages. Exit 0 when all are in place.
"""
import base64
import json
import math
import os
import struct
import sys

COMPONENTS = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4, "MAT4": 16}
FORMATS = {5120: ("b", 127.0), 5121: ("B", 255.0), 5122: ("h", 32767.0),
           5123: ("H", 65535.0), 5125: ("I", None), 5126: ("f", None)}


def say(text):
    print("drawn-triangles: " + text, flush=True)


def load_gltf(path):
    data = open(path, "rb").read()
    chunks = []
    if data[:4] == b"glTF":
        at = 12
        while at + 8 <= len(data):
            length, _ = struct.unpack_from("<II", data, at)
            chunks.append(data[at + 8:at + 8 + length])
            at += 8 + length
        doc = json.loads(chunks[0])
    else:
        doc = json.loads(data)
    buffers = []
    for i, buffer in enumerate(doc.get("buffers", [])):
        uri = buffer.get("uri")
        if uri is None:
            buffers.append(chunks[1] if i == 0 and len(chunks) > 1 else b"")
        elif uri.startswith("data:"):
            buffers.append(base64.b64decode(uri.split(",", 1)[1]))
        else:
            from urllib.parse import unquote
            with open(os.path.join(os.path.dirname(path), unquote(uri)), "rb") as f:
                buffers.append(f.read())
    return doc, buffers


def read_accessor(doc, buffers, index):
    """Elements of an accessor as lists of floats (normalised integers mapped as glTF says)."""
    acc = doc["accessors"][index]
    if "sparse" in acc:
        raise ValueError("sparse accessor %d is not read by this check" % index)
    n = COMPONENTS[acc["type"]]
    code, scale = FORMATS[acc["componentType"]]
    size = struct.calcsize("<" + code)
    view = doc["bufferViews"][acc["bufferView"]]
    stride = view.get("byteStride", n * size)
    data = buffers[view["buffer"]]
    start = view.get("byteOffset", 0) + acc.get("byteOffset", 0)
    out = []
    for i in range(acc["count"]):
        values = struct.unpack_from("<%d%s" % (n, code), data, start + i * stride)
        if acc.get("normalized") and scale:
            values = [max(v / scale, -1.0) for v in values]
        out.append([float(v) for v in values])
    return out


def mat_mul(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(4)) for j in range(4)] for i in range(4)]


def local_matrix(node):
    """Column-vector 4x4 matrix of a node (rows of the mathematical matrix)."""
    if "matrix" in node:
        m = node["matrix"]
        return [[m[c * 4 + r] for c in range(4)] for r in range(4)]
    x, y, z, w = node.get("rotation", [0, 0, 0, 1])
    sx, sy, sz = node.get("scale", [1, 1, 1])
    tx, ty, tz = node.get("translation", [0, 0, 0])
    r = [[1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)],
         [2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)],
         [2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)]]
    s = [sx, sy, sz]
    return [[r[i][0] * s[0], r[i][1] * s[1], r[i][2] * s[2], [tx, ty, tz][i]] for i in range(3)] + \
        [[0, 0, 0, 1]]


def apply(m, p):
    return [m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + m[i][3] for i in range(3)]


def gltf_triangles(path):
    doc, buffers = load_gltf(path)
    nodes = doc.get("nodes", [])
    parent = {}
    for i, node in enumerate(nodes):
        for c in node.get("children", []):
            parent[c] = i
    world = {}

    def world_of(i):
        if i not in world:
            local = local_matrix(nodes[i])
            world[i] = mat_mul(world_of(parent[i]), local) if i in parent else local
        return world[i]

    result = {}
    for i, node in enumerate(nodes):
        if "mesh" not in node:
            continue
        joints = []
        if "skin" in node:
            skin = doc["skins"][node["skin"]]
            ibms = read_accessor(doc, buffers, skin["inverseBindMatrices"]) \
                if "inverseBindMatrices" in skin else [[1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]] * len(skin["joints"])
            for j, joint in enumerate(skin["joints"]):
                ibm = [[ibms[j][c * 4 + r] for c in range(4)] for r in range(4)]
                joints.append(mat_mul(world_of(joint), ibm))
        triangles = []
        for prim in doc["meshes"][node["mesh"]]["primitives"]:
            if prim.get("mode", 4) != 4:
                continue
            positions = read_accessor(doc, buffers, prim["attributes"]["POSITION"])
            placed = []
            if joints:
                sets = []
                k = 0
                while "JOINTS_%d" % k in prim["attributes"]:
                    sets.append((read_accessor(doc, buffers, prim["attributes"]["JOINTS_%d" % k]),
                                 read_accessor(doc, buffers, prim["attributes"]["WEIGHTS_%d" % k])))
                    k += 1
                for v, p in enumerate(positions):
                    at = [0.0, 0.0, 0.0]
                    for js, ws in sets:
                        for slot in range(4):
                            if ws[v][slot] > 0:
                                q = apply(joints[int(js[v][slot])], p)
                                at = [at[c] + ws[v][slot] * q[c] for c in range(3)]
                    placed.append(at)
            else:
                placed = [apply(world_of(i), p) for p in positions]
            if "indices" in prim:
                order = [int(x[0]) for x in read_accessor(doc, buffers, prim["indices"])]
            else:
                order = list(range(len(positions)))
            for t in range(0, len(order) - 2, 3):
                triangles.append([placed[order[t + c]] for c in range(3)])
        result[node.get("name", "node%d" % i)] = triangles
    return result


def msh_triangles(path):
    """World triangles of the records of a legacy MSH file, turned into glTF's frame."""
    data = open(path, "rb").read()
    if data[:6].lower() == b"mesh08":
        raise ValueError(path + ": Mesh8 files are not read by this check")
    (count,) = struct.unpack_from("<H", data, 0)
    at = 2
    result = {}
    for _ in range(count):
        name = data[at:at + 100].split(b"\0")[0].decode("cp1252")
        tm = struct.unpack_from("<16f", data, at + 200)
        num_verts, num_faces, num_skin = struct.unpack_from("<HHH", data, at + 392)
        (has_skin,) = struct.unpack_from("<I", data, at + 642)
        at += 693
        verts = []
        for v in range(num_verts):
            p = struct.unpack_from("<3f", data, at + 28 * v)
            w = [p[0] * tm[j] + p[1] * tm[4 + j] + p[2] * tm[8 + j] + tm[12 + j] for j in range(3)]
            verts.append([w[0], w[2], -w[1]])
        at += 28 * num_verts
        triangles = []
        for f in range(num_faces):
            corners = struct.unpack_from("<3I", data, at + 88 * f)
            triangles.append([verts[c] for c in corners])
        at += 88 * num_faces
        if has_skin:
            (num_bones,) = struct.unpack_from("<i", data, at)
            at += 4 + 100 * num_bones + 40 * num_skin
        else:
            at += 424 * num_skin
        result[name] = triangles
    return result


def triangles_of(path):
    return msh_triangles(path) if path.lower().endswith(".msh") else gltf_triangles(path)


def distance(a, b):
    return max(math.dist(a[c], b[c]) for c in range(3))


def compare(expected, actual):
    points = [p for tris in expected.values() for t in tris for p in t]
    if not points:
        return ["no triangles in the expected file"]
    lo = [min(p[c] for p in points) for c in range(3)]
    hi = [max(p[c] for p in points) for c in range(3)]
    tolerance = 1e-4 * max(math.dist(lo, hi), 1e-9)
    failures = []
    for name, tris in sorted(expected.items()):
        if not tris:
            continue
        got = actual.get(name)
        if got is None:
            failures.append("%s: not drawn (objects: %s)" % (name, sorted(actual)))
            continue
        if len(got) != len(tris):
            failures.append("%s: %d triangles, expected %d" % (name, len(got), len(tris)))
            continue
        # Triangles may come in another order and start at another corner; match by grid cell
        # of the centroid, looking at neighbouring cells too.
        cell = tolerance * 4

        def key(t, shift=(0, 0, 0)):
            return tuple(int(math.floor(sum(p[c] for p in t) / 3 / cell)) + shift[c]
                         for c in range(3))
        grid = {}
        for t in got:
            grid.setdefault(key(t), []).append(t)
        shifts = [(x, y, z) for x in (-1, 0, 1) for y in (-1, 0, 1) for z in (-1, 0, 1)]
        for n, t in enumerate(tris):
            rotations = [t[r:] + t[:r] for r in range(3)]
            found = any(distance(r, g) <= tolerance
                        for s in shifts for g in grid.get(key(t, s), []) for r in rotations)
            if not found:
                nearest = min(min(distance(r, g) for r in rotations) for g in got)
                failures.append("%s: triangle %d at %s is drawn nowhere in place (nearest is %.6g "
                                "away)" % (name, n, [[round(x, 5) for x in p] for p in t], nearest))
                break
        else:
            say("%s: %d triangles in place" % (name, len(tris)))
    return failures


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    failures = compare(triangles_of(sys.argv[1]), triangles_of(sys.argv[2]))
    for f in failures:
        say("FAIL %s -> %s: %s" % (sys.argv[1], sys.argv[2], f))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
