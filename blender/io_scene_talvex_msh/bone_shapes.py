# Bones through Blender. mshtool's glTF keeps each bone's mesh as a mesh no node draws, which
# Blender's importer passes over. On import it is read from the file into the bone (as the glTF
# data itself, so the BN file can be written back unchanged) and shown as the bone's custom
# shape; on export it goes back into the glTF Blender wrote, named by the bone's node. Blender
# also keeps bones in single precision and rebuilds their rest from head and tail: each bone's
# transform in the file goes along too, and is written back where the bone has not moved.
import json
import os

import bpy
from mathutils import Matrix, Vector

from .gltf_data import (TYPE_SIZES, add_accessor, affine_inverse, hierarchy, local_matrix,
                        multiply, read_accessor)

# Custom property of a bone (not its pose bone): its shape as glTF data. Blender writes a bone's
# custom properties into its node's extras, where the export below finds it.
SHAPE_PROPERTY = "mshBoneShapeData"
# Custom property of a bone: its node's local and world matrices in the file, and its parent.
REST_PROPERTY = "mshBoneRest"
# How far (in model units, and as a share of the value) a bone may be from its transform in
# the file and still count as not moved: Blender's single precision is far finer than this.
REST_TOLERANCE = 1e-5

# glTF is Y up, Blender Z up: (x, y, z) in glTF is (x, -z, y) in Blender.
Y_UP_TO_Z_UP = Matrix(((1, 0, 0, 0), (0, 0, -1, 0), (0, 1, 0, 0), (0, 0, 0, 1)))


def drawn_meshes(document):
    return {node["mesh"] for node in document.get("nodes", []) if "mesh" in node}


def shape_mesh_index(document, node):
    """The mesh a bone node names as its shape, under mshtool's own rule: one no node draws,
    of the recorded name; None when there is none."""
    extras = node.get("extras", {})
    meshes = document.get("meshes", [])
    drawn = drawn_meshes(document)
    index, name = extras.get("mshBoneMesh"), extras.get("mshBoneMeshName")
    if index is None and name is None:
        return None

    def fits(m):
        return (isinstance(m, int) and 0 <= m < len(meshes) and m not in drawn and
                (name is None or meshes[m].get("name") == name))

    if fits(index):
        return index
    named = [m for m in range(len(meshes)) if fits(m)] if name is not None else []
    return named[0] if len(named) == 1 else None


def shape_data(document, binary, mesh_index):
    mesh = document["meshes"][mesh_index]
    primitives = []
    for primitive in mesh["primitives"]:
        attributes = {key: read_accessor(document, binary, value)
                      for key, value in primitive["attributes"].items()}
        entry = {"mode": primitive.get("mode", 4), "attributes": attributes}
        if "indices" in primitive:
            entry["indices"] = read_accessor(document, binary, primitive["indices"])
        primitives.append(entry)
    return {"name": mesh.get("name", ""), "extras": mesh.get("extras", {}),
            "primitives": primitives}


def display_object(name, data, to_bone):
    """An object (linked to no scene) showing the shape's triangles in bone space."""
    vertices, faces = [], []
    for primitive in data["primitives"]:
        if primitive["mode"] != 4:
            continue
        p = primitive["attributes"]["POSITION"]["values"]
        first = len(vertices)
        vertices += [to_bone @ Vector(p[i:i + 3]) for i in range(0, len(p), 3)]
        count = len(p) // 3
        indices = primitive["indices"]["values"] if "indices" in primitive else range(count)
        faces += [tuple(first + v for v in indices[i:i + 3]) for i in range(0, len(indices), 3)]
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata(vertices, [], faces)
    mesh.update()
    return bpy.data.objects.new(name, mesh)


def keep_shapes(armatures, document, binary):
    """Gives the bones of `armatures` the shapes the .glb file names for their nodes."""
    nodes = document.get("nodes", [])
    parent, worlds, _ = hierarchy(nodes)
    for armature in armatures:
        for pose_bone in armature.pose.bones:
            index = next((i for i, n in enumerate(nodes) if n.get("name") == pose_bone.name and
                          "mshBone" in n.get("extras", {})), None)
            if index is None:
                continue
            node = nodes[index]
            up = parent.get(index)
            pose_bone.bone[REST_PROPERTY] = json.dumps({
                "local": local_matrix(node), "world": worlds[index],
                "parent": nodes[up].get("name", "") if up is not None else ""})
            mesh_index = shape_mesh_index(document, node)
            if mesh_index is None:
                continue
            data = shape_data(document, binary, mesh_index)
            # The shape's vertices are in its node's space (Y up): through the node's world
            # transform into Blender's world, then into the bone's space, where it is drawn.
            bone_world = armature.matrix_world @ pose_bone.bone.matrix_local
            node_world = Matrix([worlds[index][r::4] for r in range(4)])
            to_bone = bone_world.inverted() @ Y_UP_TO_Z_UP @ node_world
            data["place"] = [list(row) for row in to_bone]
            pose_bone.bone[SHAPE_PROPERTY] = json.dumps(data, separators=(",", ":"))
            shape = display_object(pose_bone.name + " shape", data, to_bone)
            pose_bone.custom_shape = shape
            pose_bone.use_custom_shape_bone_size = False


def changed_shapes():
    """Bone name -> its shape as it now stands in Blender (None: removed), for the bones whose
    custom shape is no longer the one the import made."""
    changes = {}
    for armature in (o for o in bpy.data.objects if o.type == "ARMATURE"):
        for pose_bone in armature.pose.bones:
            text = pose_bone.bone.get(SHAPE_PROPERTY)
            if text is None:
                continue
            shape = pose_bone.custom_shape
            if shape is None or shape.type != "MESH":
                changes[pose_bone.name] = None
                continue
            data = json.loads(text)
            back = Matrix(data["place"]).inverted()
            positions = [c for v in shape.data.vertices for c in back @ v.co]
            stored = [c for p in data["primitives"] if p["mode"] == 4
                      for c in p["attributes"]["POSITION"]["values"]]
            if len(positions) == len(stored) and all(
                    abs(a - b) <= REST_TOLERANCE * 10 * (1 + abs(b))
                    for a, b in zip(positions, stored)):
                continue
            shape.data.calc_loop_triangles()
            triangles = [v for t in shape.data.loop_triangles for v in t.vertices]
            changes[pose_bone.name] = {"name": pose_bone.name, "extras": {}, "primitives": [{
                "mode": 4,
                "attributes": {"POSITION": {"componentType": 5126, "type": "VEC3",
                                            "values": positions}},
                "indices": {"componentType": 5125, "type": "SCALAR", "values": triangles}}]}
    return changes


def add_shape_mesh(document, blob, data):
    accessors = document.setdefault("accessors", [])

    def added(accessor, bounds=False):
        entry = add_accessor(document, blob, accessor)
        if bounds and entry["count"]:
            size = TYPE_SIZES[accessor["type"]]
            columns = [accessor["values"][c::size] for c in range(size)]
            entry["min"] = [min(c) for c in columns]
            entry["max"] = [max(c) for c in columns]
        accessors.append(entry)
        return len(accessors) - 1

    primitives = []
    for primitive in data["primitives"]:
        out = {"mode": primitive["mode"],
               "attributes": {key: added(value, key == "POSITION")
                              for key, value in primitive["attributes"].items()}}
        if "indices" in primitive:
            out["indices"] = added(primitive["indices"])
        primitives.append(out)
    meshes = document.setdefault("meshes", [])
    meshes.append({"name": data["name"], "primitives": primitives, "extras": data["extras"]})
    return len(meshes) - 1


def close_to(a, b):
    return all(abs(x - y) <= REST_TOLERANCE * (1 + abs(y)) for x, y in zip(a, b))


def put_back_rest(nodes, bone_nodes):
    """Gives each bone that stands where it stood in the file its transform from the file: its
    own local matrix below the same parent bone, else its world matrix below what is above it."""
    parent, worlds, order = hierarchy(nodes)
    restored = set()
    for i in order:
        text = nodes[i].get("extras", {}).pop(REST_PROPERTY, None)
        if text is None or i not in bone_nodes:
            continue
        rest = json.loads(text)
        if not close_to(worlds[i], rest["world"]):
            continue
        up = parent.get(i)
        if up in restored and nodes[up].get("name") == rest["parent"]:
            local = rest["local"]
        elif up is None or worlds[up] == local_matrix({}):
            local = rest["world"]
        else:
            inverse = affine_inverse(worlds[up])
            if inverse is None:
                continue
            local = multiply(inverse, rest["world"])
        for key in ("translation", "rotation", "scale"):
            nodes[i].pop(key, None)
        nodes[i]["matrix"] = local
        worlds[i] = rest["world"]
        restored.add(i)


def restore_in_gltf(path, parent_bones, changed):
    """Puts the bone shapes Blender carried in node extras back into the .gltf file at `path`
    as meshes no node draws (or, for the bones in `changed`, the shape drawn now), and records
    the bone parents (`parent_bones`: object name -> bone name) of skinned objects that
    Blender's exporter cannot express."""
    with open(path, "r", encoding="utf-8") as f:
        document = json.load(f)
    nodes = document.get("nodes", [])
    buffers = document.setdefault("buffers", [])
    if not buffers:
        buffers.append({"uri": os.path.splitext(os.path.basename(path))[0] + ".bin",
                        "byteLength": 0})
    bin_path = os.path.join(os.path.dirname(path), buffers[0]["uri"])
    blob = bytearray()
    if os.path.isfile(bin_path):
        with open(bin_path, "rb") as f:
            blob = bytearray(f.read())
    for node in nodes:
        extras = node.get("extras", {})
        text = extras.pop(SHAPE_PROPERTY, None)
        if text is None or "mesh" in node:
            continue
        data = changed.get(node.get("name"), json.loads(text))
        if data is None:
            continue
        mesh_index = add_shape_mesh(document, blob, data)
        extras["mshBoneMesh"] = mesh_index
        extras["mshBoneMeshName"] = document["meshes"][mesh_index]["name"]
    joints = {j for skin in document.get("skins", []) for j in skin.get("joints", [])}
    bones = {n.get("name"): i for i, n in enumerate(nodes)
             if i in joints or "mshBone" in n.get("extras", {})}
    put_back_rest(nodes, set(bones.values()))
    for node in nodes:
        node.get("extras", {}).pop("mshParentBone", None)
        bone = parent_bones.get(node.get("name"))
        if bone in bones and "skin" in node:
            node.setdefault("extras", {})["mshParentNode"] = bones[bone]
    buffers[0]["byteLength"] = len(blob)
    with open(bin_path, "wb") as f:
        f.write(blob)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(document, f)
