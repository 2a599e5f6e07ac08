# Imports a glTF file with Blender's own glTF importer and checks it against the legacy MSH
# and BN files it was converted from: object names, world vertex positions, armature bones
# and vertex-group weights. Run by blender-check.sh:
#   blender -b --factory-startup --python-exit-code 3 --python blender_check.py -- GLTF MSH BN
import struct
import sys

import numpy

numpy.bool = bool  # Debian's numpy 1.24 dropped the alias Blender 3.4's importer still uses

import bpy  # noqa: E402


def say(text):
    print("blender-check: " + text, flush=True)


def read_legacy(path):
    """The records of a legacy MSH or BN file: name, vertices and per-vertex weights by bone."""
    data = open(path, "rb").read()
    (count,) = struct.unpack_from("<H", data, 0)
    at = 2
    records = []
    for _ in range(count):
        header = data[at:at + 693]
        name = header[0:100].split(b"\0")[0].decode("cp1252")
        tm = struct.unpack_from("<16f", header, 200)
        num_verts, num_faces, num_skin = struct.unpack_from("<HHH", header, 392)
        (has_skin,) = struct.unpack_from("<I", header, 642)
        at += 693
        # World positions: the object's vertices through its world transform (row vectors).
        verts = [tuple(p[0] * tm[j] + p[1] * tm[4 + j] + p[2] * tm[8 + j] + tm[12 + j]
                       for j in range(3))
                 for p in (struct.unpack_from("<3f", data, at + 28 * i) for i in range(num_verts))]
        at += 28 * num_verts + 88 * num_faces
        weights = [dict() for _ in range(num_verts)]
        if has_skin:
            (num_bones,) = struct.unpack_from("<i", data, at)
            at += 4
            bones = [data[at + 100 * b:at + 100 * b + 100].split(b"\0")[0].decode("cp1252")
                     for b in range(num_bones)]
            at += 100 * num_bones
            for s in range(num_skin):
                vertex, used = struct.unpack_from("<ii", data, at)
                slots = struct.unpack_from("<4i4f", data, at + 8)
                for k in range(used):
                    if slots[4 + k] > 0:
                        weights[vertex][bones[slots[k]]] = slots[4 + k]
                at += 40
        else:
            at += 424 * num_skin
        records.append({"name": name, "verts": verts, "weights": weights})
    return records


def key(co):
    return (round(co[0], 4), round(co[1], 4), round(co[2], 4))


def main():
    args = sys.argv[sys.argv.index("--") + 1:]
    gltf_path, msh_path, bn_path = args
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.import_scene.gltf(filepath=gltf_path)
    failures = []
    meshes = read_legacy(msh_path)
    bones = [r["name"] for r in read_legacy(bn_path)]

    armatures = [o for o in bpy.data.objects if o.type == "ARMATURE"]
    blender_bones = set(b.name for a in armatures for b in a.data.bones)
    if not set(bones) <= blender_bones:
        failures.append("armature bones %s lack %s" % (sorted(blender_bones),
                                                        sorted(set(bones) - blender_bones)))
    drawn = [o for o in bpy.data.objects if o.type == "MESH"]
    drawn_names = sorted(o.name for o in drawn)
    if drawn_names != sorted(r["name"] for r in meshes):
        failures.append("mesh objects %s, expected %s (bone shapes must not be drawn)" %
                        (drawn_names, sorted(r["name"] for r in meshes)))
    for record in meshes:
        obj = bpy.data.objects.get(record["name"])
        if obj is None or obj.type != "MESH":
            continue
        positions = {}
        for i, v in enumerate(record["verts"]):
            positions.setdefault(key(v), i)
        world = obj.matrix_world
        corners = set(key(world @ v.co) for v in obj.data.vertices)
        if corners != set(positions):
            failures.append("%s: %d distinct vertex positions, the model has %d" %
                            (record["name"], len(corners), len(positions)))
        groups = {g.index: g.name for g in obj.vertex_groups}
        checked = 0
        for v in obj.data.vertices:
            source = positions.get(key(world @ v.co))
            if source is None:
                continue
            expected = record["weights"][source]
            total = sum(expected.values())
            expected = {b: w / total for b, w in expected.items()} if total > 0 else {}
            got = {groups[g.group]: g.weight for g in v.groups if g.weight > 0}
            if set(got) != set(expected) or any(abs(got[b] - expected[b]) > 1e-5 for b in got):
                failures.append("%s vertex %d: weights %s, expected %s" %
                                (record["name"], v.index, got, expected))
                break
            checked += 1
        say("%s: %d vertices, %d vertex groups, weights of %d vertices match" %
            (record["name"], len(obj.data.vertices), len(groups), checked))
    say("armature bones: " + ", ".join(sorted(blender_bones)))
    for f in failures:
        say("FAIL " + f)
    if failures:
        raise SystemExit(1)
    say("ok")


try:
    main()
except SystemExit as e:
    if e.code:
        raise RuntimeError("checks failed")
