# Drives the add-on in one headless Blender and compares what it builds and writes with the
# model files, read by model-records (the format library), never by Blender. Run by
# addon-check.sh:
#   blender -b --factory-startup --python-exit-code 3 --python addon_check.py -- \
#       MSHTOOL MODEL_RECORDS SAMPLE_DIR WORKDIR
import json
import os
import subprocess
import sys

import addon_utils
import bpy

MSHTOOL, RECORDS, SAMPLE, WORK = sys.argv[sys.argv.index("--") + 1:]
failures = []


def say(text):
    print("addon-check: " + text, flush=True)


def expect(condition, text):
    if not condition:
        failures.append(text)
        say("FAIL " + text)
    return condition


def key(co):
    return tuple(round(c, 4) + 0.0 for c in co)


def normalised(weights):
    total = sum(weights.values())
    return {b: w / total for b, w in weights.items()} if total > 0 else {}


def file_records(path):
    out = subprocess.run([RECORDS, path], check=True, stdout=subprocess.PIPE).stdout
    return json.loads(out)["records"]


def file_shapes(path):
    """name -> parent, world positions with their weights, (position, u, v) corners."""
    shapes = {}
    for r in file_records(path):
        weights = {key(p): normalised(w) for p, w in zip(r["vertices"], r["weights"])}
        corners = set((key(r["vertices"][v]), round(u, 4), round(t, 4)) for v, u, t in r["corners"])
        shapes[r["name"]] = (r["parent"], weights, corners, key(r["world"][12:15]))
    return shapes


def parent_name(obj):
    parent = obj.parent
    while parent is not None and "mshSynthetic" in parent:
        parent = parent.parent
    if parent is None and "mshParentBone" in obj:
        return obj["mshParentBone"]
    return parent.name if parent else "NULL"


def scene_shapes():
    """The mesh objects and bones of the scene in the shape of file_shapes."""
    meshes, bones = {}, {}
    for obj in bpy.context.scene.objects:
        if obj.type == "MESH":
            world, data = obj.matrix_world, obj.data
            names = {g.index: g.name for g in obj.vertex_groups}
            weights = {key(world @ v.co): normalised({names[g.group]: g.weight for g in v.groups})
                       for v in data.vertices}
            uv = data.uv_layers.active.data
            corners = set((key(world @ data.vertices[loop.vertex_index].co),
                           round(uv[loop.index].uv[0], 4), round(uv[loop.index].uv[1], 4))
                          for loop in data.loops)
            meshes[obj.name] = (parent_name(obj), weights, corners, None)
        elif obj.type == "ARMATURE":
            for bone in obj.data.bones:
                parent = bone.parent.name if bone.parent else "NULL"
                bones[bone.name] = (parent, {}, set(), key(obj.matrix_world @ bone.head_local))
    return meshes, bones


def compare(label, got, expected, geometry=True):
    """Names, parents and places; with `geometry`, every position's weights and the UVs."""
    expect(sorted(got) == sorted(expected), "%s: objects %s, expected %s" %
           (label, sorted(got), sorted(expected)))
    for name in sorted(set(got) & set(expected)):
        parent, weights, corners, place = got[name]
        want_parent, want_weights, want_corners, want_place = expected[name]
        expect(parent == want_parent, "%s: %s has parent %s, expected %s" %
               (label, name, parent, want_parent))
        expect(place is None or place == want_place, "%s: %s stands at %s, expected %s" %
               (label, name, place, want_place))
        if not geometry:
            continue
        expect(set(weights) == set(want_weights), "%s: %s has %d vertex positions, expected %d" %
               (label, name, len(weights), len(want_weights)))
        wrong = [p for p in set(weights) & set(want_weights)
                 if set(weights[p]) != set(want_weights[p]) or
                 any(abs(weights[p][b] - want_weights[p][b]) > 1e-5 for b in weights[p])]
        expect(not wrong, "%s: %s: %d vertices with other weights, e.g. at %s" %
               (label, name, len(wrong), wrong[:1]))
        expect(corners == want_corners, "%s: %s: %d face corners (position, UV) differ" %
               (label, name, len(corners ^ want_corners)))
    say("%s: %d objects compared" % (label, len(set(got) & set(expected))))


def clear_scene():
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)


def exported(label, path, original, bones, **options):
    """Exports the scene with `options` and checks the files against the originals."""
    result = bpy.ops.export_scene.talvex_msh(filepath=path, **options)
    expect(result == {"FINISHED"}, "%s: the export returned %s" % (label, result))
    checked = subprocess.run([MSHTOOL, "check", path], stdout=subprocess.PIPE, text=True)
    expect(checked.returncode == 0, "%s: mshtool check: %s" % (label, checked.stdout.strip()))
    compare(label, file_shapes(path), file_shapes(original))
    # The bones come back as they were, shapes and all, and so does the box made from them.
    for ext in ("bn", "BBX"):
        if ext == "bn" or os.path.exists(path[:-3] + ext):
            expect(same_bytes(path[:-3] + ext, bones[:-2] + ext),
                   "%s: %s differs from the original" % (label, os.path.basename(path[:-3] + ext)))


def same_bytes(a, b):
    with open(a, "rb") as x, open(b, "rb") as y:
        return x.read() == y.read()


def expect_custom_shapes(label, bones):
    """Each bone shows its shape from the BN file, where the file puts it."""
    records = {r["name"]: r for r in file_records(bones)}
    armature = next(o for o in bpy.context.scene.objects if o.type == "ARMATURE")
    for pose_bone in armature.pose.bones:
        shape = pose_bone.custom_shape
        if not expect(shape is not None, "%s: bone %s has no shape" % (label, pose_bone.name)):
            continue
        world = armature.matrix_world @ pose_bone.bone.matrix_local
        drawn = set(key(world @ v.co) for v in shape.data.vertices)
        expect(drawn == set(key(p) for p in records[pose_bone.name]["vertices"]),
               "%s: bone %s's shape is not drawn where the file puts it" % (label, pose_bone.name))


def edited_shapes(path):
    """A custom shape edited in Blender is exported as it is drawn; a removed one is gone."""
    armature = next(o for o in bpy.context.scene.objects if o.type == "ARMATURE")
    head, neck = armature.pose.bones["Hero Head"], armature.pose.bones["Hero Neck"]
    for v in head.custom_shape.data.vertices:
        v.co.x += 0.5
    world = armature.matrix_world @ head.bone.matrix_local
    drawn = set(key(world @ v.co) for v in head.custom_shape.data.vertices)
    neck_shape, neck.custom_shape = neck.custom_shape, None
    try:
        result = bpy.ops.export_scene.talvex_msh(filepath=path, export_bones=True)
    finally:
        neck.custom_shape = neck_shape
        for v in head.custom_shape.data.vertices:
            v.co.x -= 0.5
    expect(result == {"FINISHED"}, "edited shapes: the export returned %s" % result)
    records = {r["name"]: r for r in file_records(path[:-3] + "bn")}
    expect(set(key(p) for p in records["Hero Head"]["vertices"]) == drawn,
           "edited shapes: Hero Head's record is not the shape drawn in Blender")
    expect(not records["Hero Neck"]["vertices"], "edited shapes: Hero Neck kept a shape")


def parented_copy(sample, folder):
    """The sample with Hero Body parented to the bone Hero Root, as an artist may link it."""
    os.makedirs(folder, exist_ok=True)
    for name in ("hero.bn", "hero.png"):
        with open(os.path.join(sample, name), "rb") as source:
            with open(os.path.join(folder, name), "wb") as out:
                out.write(source.read())
    with open(os.path.join(sample, "hero.msh"), "rb") as source:
        data = bytearray(source.read())
    assert data[2:11] == b"Hero Body"
    data[102:202] = b"Hero Root".ljust(100, b"\0")  # the first record's parent name
    path = os.path.join(folder, "hero.msh")
    with open(path, "wb") as out:
        out.write(data)
    return path


def main():
    addon_utils.enable("io_scene_talvex_msh", default_set=True, handle_error=None)
    bpy.context.preferences.addons["io_scene_talvex_msh"].preferences.mshtool_path = MSHTOOL
    legacy = os.path.join(SAMPLE, "hero.msh")
    mesh8 = os.path.join(SAMPLE, "hero_mesh8.msh")
    bones = os.path.join(SAMPLE, "hero.bn")
    bone_shapes = file_shapes(bones)

    clear_scene()
    bpy.ops.import_scene.talvex_msh(filepath=legacy)
    meshes, armature = scene_shapes()
    compare("legacy import", meshes, file_shapes(legacy))
    compare("legacy import bones", armature, bone_shapes, geometry=False)
    expect_custom_shapes("legacy import", bones)
    exported("legacy export", os.path.join(WORK, "legacy", "hero.msh"), legacy, bones,
             export_bones=True)
    expect(os.path.isfile(os.path.join(WORK, "legacy", "hero.BBX")), "no BBX file beside it")
    exported("mesh8 export", os.path.join(WORK, "mesh8", "hero.msh"), mesh8, bones,
             export_bones=True, mesh8=True)
    edited_shapes(os.path.join(WORK, "edited", "hero.msh"))
    bpy.ops.object.select_all(action="DESELECT")
    bpy.data.objects["Hero Hat"].select_set(True)
    hat = os.path.join(WORK, "hat", "hat.msh")
    bpy.ops.export_scene.talvex_msh(filepath=hat, selected_only=True)
    expect([r["name"] for r in file_records(hat)] == ["Hero Hat"], "selected only: not the hat")

    clear_scene()
    parented = parented_copy(SAMPLE, os.path.join(WORK, "parented"))
    bpy.ops.import_scene.talvex_msh(filepath=parented)
    meshes, armature = scene_shapes()
    compare("bone parent import", meshes, file_shapes(parented))
    exported("bone parent export", os.path.join(WORK, "parented-back", "hero.msh"), parented,
             bones, export_bones=True)

    clear_scene()
    bpy.ops.import_scene.talvex_msh(filepath=mesh8, bone_file="OTHER", other_bone_file=bones)
    meshes, armature = scene_shapes()
    compare("mesh8 import", meshes, file_shapes(mesh8))
    compare("mesh8 import bones", armature, bone_shapes, geometry=False)

    clear_scene()
    bpy.ops.import_scene.talvex_msh(filepath=bones)
    meshes, armature = scene_shapes()
    expect(not meshes, "the BN file alone gave mesh objects %s" % sorted(meshes))
    compare("BN file alone", armature, bone_shapes, geometry=False)

    damaged = os.path.join(WORK, "damaged.msh")
    with open(legacy, "rb") as source, open(damaged, "wb") as out:
        out.write(source.read(800))
    count = len(bpy.data.objects)
    try:
        bpy.ops.import_scene.talvex_msh(filepath=damaged)
        expect(False, "the damaged file was imported without an error")
    except RuntimeError as e:
        expect("the file ends early in vertices at byte 695" in str(e),
               "the damaged file's error does not say where it breaks: %s" % e)
    expect(len(bpy.data.objects) == count, "the damaged file added objects")


try:
    main()
except Exception as e:
    failures.append(repr(e))
    raise
finally:
    say("FAILED: %d problems" % len(failures) if failures else "ok")
if failures:
    raise RuntimeError("addon-check failed")
